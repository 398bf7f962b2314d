#include "query/autosave.h"

#include <ctime>

#include "db/connectstring.h"
#include "db/dbconnection.h"
#include "query/childframe.h"
#include "query/querydoc.h"
#include "query/queryview.h"

namespace orva {

namespace {
CRecoveryStore* g_store = nullptr;
int g_delay = 3000;
// Bytes copied per slice: a few milliseconds of work.
constexpr std::size_t kSliceBytes = 1 << 20;
}  // namespace

void CQueryAutosave::SetStore(CRecoveryStore* store) { g_store = store; }
CRecoveryStore* CQueryAutosave::Store() { return g_store; }
void CQueryAutosave::SetDelay(int milliseconds) { g_delay = milliseconds; }

CQueryAutosave::CQueryAutosave(CChildFrame& frame, CQueryDoc& document, CRecoveryStore& store)
    : m_frame(frame), m_document(document), m_store(store), m_id(store.NewId()) {
  m_quiet.setSingleShot(true);
  QObject::connect(&m_quiet, &QTimer::timeout, this, [this] { OnQuiet(); });
  m_document.Buffer().AttachView(this);
  // After a save the window may have nothing left to recover.
  QPointer<CQueryAutosave> self(this);
  m_document.AddFileObserver([self] {
    if (self) self->m_quiet.start(0);
  });
}

CQueryAutosave::~CQueryAutosave() {
  m_document.Buffer().DetachView(this);
  if (m_hasEntry) m_store.Remove(m_id);
}

void CQueryAutosave::OnBufferChanged(ITextBufferView*, const EditContext*, std::uint32_t, int) {
  ++m_changes;
  m_copyLine = -1;  // a copy under way is stale
  m_quiet.start(g_delay);
}

void CQueryAutosave::OnQuiet() {
  if (!m_document.IsModified()) {
    if (m_hasEntry) m_store.Remove(m_id);
    m_hasEntry = false;
    return;
  }
  if (m_hasEntry && m_savedChanges == m_changes) return;
  // Sized at once: growing a copy of a large script would move it whole.
  const CTextBuffer& buffer = m_document.Buffer();
  std::size_t size = 0;
  for (int line = 0; line < buffer.LineCount(); ++line) size += static_cast<std::size_t>(buffer.LineLength(line)) + 2;
  m_copy = std::string();
  m_copy.reserve(size);
  m_copyLine = 0;
  m_copyChanges = m_changes;
  CopySlice();
}

void CQueryAutosave::CopySlice() {
  if (m_copyLine < 0 || m_copyChanges != m_changes) return;  // changed meanwhile: the next quiet spell copies
  const CTextBuffer& buffer = m_document.Buffer();
  const std::string_view eol = LineEndOf(buffer.EolMode());
  const std::size_t stop = m_copy.size() + kSliceBytes;
  for (; m_copyLine < buffer.LineCount() && m_copy.size() < stop; ++m_copyLine) {
    if (m_copyLine > 0) m_copy += eol;
    m_copy += buffer.Line(m_copyLine);
  }
  if (m_copyLine < buffer.LineCount()) {
    QTimer::singleShot(0, this, [this] { CopySlice(); });
    return;
  }
  m_copyLine = -1;
  Submit(std::move(m_copy));
  m_copy = std::string();
}

void CQueryAutosave::SaveNow() {
  // The first slice is copied at once, so an ordinary script is queued
  // before the run starts; a very large one goes on between events.
  m_quiet.stop();
  OnQuiet();
}

void CQueryAutosave::Submit(std::string text) {
  m_store.Save(m_id, Info(), std::move(text));
  m_savedChanges = m_changes;
  m_hasEntry = true;
}

RecoveryInfo CQueryAutosave::Info() const {
  RecoveryInfo info;
  info.path = m_document.PathName();
  info.title = m_document.Title();
  if (CDBConnection* connection = m_frame.GetConnection()) {
    info.connect = ConnectStringWithoutPassword(connection->GetConnectString());
    info.source = connection->GetDataSourceName();
  }
  if (CQueryView* view = m_frame.GetQueryView()) {
    info.caretLine = view->CaretPos().line;
    info.caretColumn = view->CaretPos().column;
  }
  info.encoding = m_document.Encoding();
  info.eolMode = m_document.Buffer().EolMode();
  info.savedAt = static_cast<std::int64_t>(std::time(nullptr));
  return info;
}

bool LoadRecoveredText(CQueryDoc& document, const RecoveryEntry& entry) {
  return document.OnRecoverDocument(entry.textFile, entry.info.eolMode, entry.info.encoding, entry.info.path,
                                    entry.info.title);
}

}  // namespace orva
