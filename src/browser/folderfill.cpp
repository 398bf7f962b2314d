#include "browser/folderfill.h"

#include "browser/schemanode.h"
#include "db/cancelhandle.h"
#include "db/catalog.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "platform/codec.h"

namespace orva {
namespace {

// Rows handed over at a time: big enough to keep the lock quiet, small enough
// for the first names to show at once.
constexpr std::size_t kBatchRows = 512;

const char kFunctionQuery[] =
    "select name from sysobjects where type = 'TF' or type = 'IF' or type = 'FN' order by name";

// A procedure of a multi-database server is reported as "name;group".
std::string ProcedureName(const std::string& reported) {
  const std::size_t semicolon = reported.find(';');
  return semicolon == std::string::npos ? reported : reported.substr(0, semicolon);
}

// Some drivers (the Access one) ignore the table-type filter and list their
// own catalog tables as "SYSTEM TABLE"; those are not the user's tables.
bool IsSystemObjectType(const std::string& type) { return ToLowerGbk(type).starts_with("system "); }

}  // namespace

FolderReadResult ReadFolderRows(CDBConnection& connection, int folderKind, const std::atomic<bool>& stop,
                                const std::function<void(std::vector<FolderRow>&&)>& batch,
                                std::shared_ptr<CCancelHandle>* cancel) {
  FolderReadResult result;
  std::vector<FolderRow> rows;
  auto flush = [&] {
    if (!rows.empty()) batch(std::move(rows));
    rows.clear();
  };
  auto add = [&](std::string owner, std::string name) {
    rows.push_back({std::move(owner), std::move(name)});
    if (rows.size() >= kBatchRows) flush();
  };
  CDatabase* database = connection.GetDatabase();
  if (!database) return result;
  try {
    switch (folderKind) {
      case NodeTableFolder:
      case NodeViewFolder: {
        CTableCatalog catalog(database);
        if (cancel) catalog.UseCancelHandle(*cancel);
        if (!catalog.Open(std::nullopt, std::nullopt, std::nullopt, folderKind == NodeTableFolder ? "TABLE" : "VIEW"))
          break;
        for (; !catalog.IsEOF() && !stop; catalog.MoveNext())
          if (!IsSystemObjectType(catalog.m_strTableType)) add(catalog.m_strTableOwner, catalog.m_strTableName);
        break;
      }
      case NodeProcedureFolder: {
        CProcedureCatalog catalog(database);
        if (cancel) catalog.UseCancelHandle(*cancel);
        if (!catalog.Open(std::nullopt, std::nullopt, std::nullopt)) {
          result.unsupported = true;
          break;
        }
        for (; !catalog.IsEOF() && !stop; catalog.MoveNext())
          add(catalog.m_strProcedureOwner, ProcedureName(catalog.m_strProcedureName));
        break;
      }
      case NodeFunctionFolder: {
        // Read here rather than through OpenResultSet: a query window's
        // cancel aims at the set opened last, which must stay the window's.
        CRecordsetEx set(database);
        if (cancel) set.UseCancelHandle(*cancel);
        if (!set.Open(CRecordset::forwardOnly, kFunctionQuery, CRecordset::readOnly | CRecordset::executeDirect))
          break;
        std::string name;
        for (; !set.IsEOF() && !stop; set.MoveNext()) {
          set.GetFieldText(0, name);
          add(std::string(), name);
        }
        break;
      }
      default:
        break;
    }
  } catch (const CDBException& error) {
    if (!stop) result.error = error.m_strError;
  }
  flush();
  return result;
}

CFolderFill::CFolderFill(CDBConnection& connection, int folderKind, std::function<void()> wake)
    : m_cancel(CCancelHandle::Create()), m_wake(std::move(wake)) {
  m_worker = std::thread([this, &connection, folderKind] {
    FolderReadResult result = ReadFolderRows(
        connection, folderKind, m_stop,
        [this](std::vector<FolderRow>&& rows) {
          bool wake = false;
          {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_pending.empty()) m_pending = std::move(rows);
            else m_pending.insert(m_pending.end(), std::make_move_iterator(rows.begin()),
                                  std::make_move_iterator(rows.end()));
            wake = !m_woken;
            m_woken = true;
          }
          if (wake) m_wake();
        },
        &m_cancel);
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_result = std::move(result);
      m_finished = true;
    }
    m_wake();
  });
}

CFolderFill::~CFolderFill() {
  Stop();
  if (m_worker.joinable()) m_worker.join();
}

std::vector<FolderRow> CFolderFill::Take() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_woken = false;
  return std::move(m_pending);
}

bool CFolderFill::Finished() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_finished;
}

FolderReadResult CFolderFill::Result() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_result;
}

void CFolderFill::Stop() {
  m_stop = true;
  m_cancel->Cancel();
}

}  // namespace orva
