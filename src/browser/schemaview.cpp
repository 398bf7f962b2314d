#include "browser/schemaview.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTimer>

#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "db/recordsetex.h"
#include "platform/codec.h"
#include "platform/guithread.h"
#include "platform/messagebox.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "platform/waitcursor.h"

namespace orva {
namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// Items appended to the tree at a time, and how long the GUI thread spends
// appending before it lets other events in.
constexpr int kItemsPerInsert = 200;
constexpr qint64 kAppendSliceMs = 12;
// Nodes shown while the rest of a folder is still being read.
constexpr int kItemsShownAtOnce = 400;

const char kDatabaseQuery[] = "SELECT name FROM master..sysdatabases ORDER BY name";

struct FolderText {
  int kind;
  const char* label;
};
constexpr FolderText kFolders[] = {
    {NodeTableFolder, "数据表"},
    {NodeViewFolder, "视图"},
    {NodeProcedureFolder, "存储过程"},
    {NodeFunctionFolder, "函数"},
};

bool IsWithin(const QTreeWidgetItem* item, const QTreeWidgetItem* root) {
  for (; item; item = item->parent())
    if (item == root) return true;
  return false;
}

}  // namespace

struct CSchemaView::ActiveFill {
  QTreeWidgetItem* folder = nullptr;
  CDBConnection* connection = nullptr;
  bool restore = false;
  std::string restoreDatabase;
  std::string defaultSchema;
  bool showOwners = false;
  std::vector<FolderRow> backlog;
  std::size_t next = 0;
  // Nodes made but not yet in the tree: a tree view lays out all of a
  // folder's rows whenever rows are added, so after the first screenful the
  // rest join the folder in one step when the read ends.
  QList<QTreeWidgetItem*> pending;
  std::unique_ptr<CFolderFill> fill;
  WaitCursor* waitCursor = nullptr;
};

CSchemaView::CSchemaView(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("schemaView"));
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setItemsExpandable(true);
  setUniformRowHeights(true);  // keeps folders of many thousands of rows fast
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setFrameShape(QFrame::NoFrame);
  LoadImageList(IDB_SCHEMA_TREE, 16, m_treeImages);
  // One icon per kind, shared by every node of the kind.
  for (int kind = 0; kind <= NodeFunction; ++kind) m_icons.push_back(m_treeImages.Icon(kind));
  LoadImageList(IDB_MENU_IMAGES, 16, m_menuImages);
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { OnExpandOrCollapse(item); });
  connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) { OnExpandOrCollapse(item); });
}

CSchemaView::~CSchemaView() {
  m_waiting.clear();
  if (m_fill) {
    m_fill->fill.reset();  // joins the worker
    qDeleteAll(m_fill->pending);
    delete m_fill->waitCursor;
    m_fill.reset();
  }
}

int CSchemaView::KindOf(const QTreeWidgetItem* item) { return item ? item->data(0, KindRole).toInt() : NodeNone; }

CDBConnection* CSchemaView::ConnectionOf(const QTreeWidgetItem* item) {
  return item ? reinterpret_cast<CDBConnection*>(item->data(0, ConnectionRole).value<quintptr>()) : nullptr;
}

std::string CSchemaView::NameOf(const QTreeWidgetItem* item) {
  if (!item) return {};
  const QVariant name = item->data(0, NameRole);
  return name.isValid() ? name.toByteArray().toStdString() : GbkFromQString(item->text(0));
}

std::string CSchemaView::OwnerOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, OwnerRole).toByteArray().toStdString() : std::string();
}

std::string CSchemaView::DatabaseOf(const QTreeWidgetItem* item) {
  for (; item; item = item->parent())
    if (KindOf(item) == NodeDatabase) return NameOf(item);
  return {};
}

ObjectRef CSchemaView::RefOf(const QTreeWidgetItem* item) {
  ObjectRef ref;
  ref.database = DatabaseOf(item);
  ref.owner = OwnerOf(item);
  ref.name = NameOf(item);
  if (item) ref.catalogOwner = item->data(0, CatalogOwnerRole).toByteArray().toStdString();
  return ref;
}

int CSchemaView::SelectedKind() const { return KindOf(SelectedNode()); }

QTreeWidgetItem* CSchemaView::NewNode(QTreeWidgetItem* parent, int kind, const QString& text,
                                      CDBConnection* connection) {
  auto* item = new QTreeWidgetItem(QStringList{text});
  item->setData(0, KindRole, kind);
  item->setData(0, ConnectionRole, QVariant::fromValue(reinterpret_cast<quintptr>(connection)));
  item->setIcon(0, m_icons[static_cast<std::size_t>(kind)]);
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (IsObjectKind(kind)) flags |= Qt::ItemIsDragEnabled;
  item->setFlags(flags);
  if (IsContainerKind(kind)) item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  if (parent) parent->addChild(item);
  return item;
}

bool CSchemaView::AddConnection(CDBConnection* connection, const std::string& name) {
  if (!connection || name.empty()) return false;
  auto* root = NewNode(nullptr, NodeConnection, QStringFromGbk(name), connection);
  QFont bold = root->font(0);
  bold.setBold(true);
  root->setFont(0, bold);
  addTopLevelItem(root);
  // On servers with schemas, objects outside the user's own schema are shown
  // as "schema.name".
  if (connection->GetDbmsName().starts_with("PostgreSQL")) {
    CRecordsetEx* set = nullptr;
    try {
      if (connection->OpenResultSet("SELECT current_schema()", set) == 1 && !set->IsEOF()) {
        std::string schema;
        set->GetFieldText(0, schema);
        m_defaultSchemas.emplace_back(connection, schema);
      }
    } catch (const CDBException&) {
    }
    CDBConnection::CloseResultSet(set);
  }
  FillConnection(root);
  root->setExpanded(true);
  return true;
}

void CSchemaView::RemoveConnection(CDBConnection* connection) {
  while (QTreeWidgetItem* root = RootOf(connection)) {
    ForgetSubtree(root);
    delete root;
  }
  std::erase_if(m_defaultSchemas, [connection](const auto& entry) { return entry.first == connection; });
}

QTreeWidgetItem* CSchemaView::RootOf(const CDBConnection* connection) const {
  for (int i = 0; i < topLevelItemCount(); ++i)
    if (ConnectionOf(topLevelItem(i)) == connection) return topLevelItem(i);
  return nullptr;
}

QTreeWidgetItem* CSchemaView::SelectedNode() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? nullptr : selected.front();
}

CDBConnection* CSchemaView::SelectedConnection() const {
  if (QTreeWidgetItem* item = SelectedNode()) return ConnectionOf(item);
  return FirstConnection();
}

CDBConnection* CSchemaView::FirstConnection() const {
  return topLevelItemCount() > 0 ? ConnectionOf(topLevelItem(0)) : nullptr;
}

std::string CSchemaView::DefaultSchema(const CDBConnection* connection) const {
  for (const auto& [conn, schema] : m_defaultSchemas)
    if (conn == connection) return schema;
  return {};
}

void CSchemaView::AddFolders(QTreeWidgetItem* parent, CDBConnection* connection) {
  for (const FolderText& folder : kFolders) NewNode(parent, folder.kind, Utf8(folder.label), connection);
}

void CSchemaView::FillConnection(QTreeWidgetItem* root) {
  if (!root) return;
  ForgetSubtree(root);
  qDeleteAll(root->takeChildren());
  CDBConnection* connection = ConnectionOf(root);
  if (!connection) return;
  FinishFillOn(connection);
  WaitCursor wait;
  if (!connection->HasDatabases()) {
    AddFolders(root, connection);
    return;
  }
  std::vector<QTreeWidgetItem*> databases;
  CRecordsetEx* set = nullptr;
  try {
    if (connection->OpenResultSet(kDatabaseQuery, set) == 1) {
      std::string name;
      for (; !set->IsEOF(); set->MoveNext()) {
        set->GetFieldText(0, name);
        QTreeWidgetItem* database = NewNode(root, NodeDatabase, QStringFromGbk(name), connection);
        database->setData(0, NameRole, QByteArray::fromStdString(name));
        databases.push_back(database);
      }
    }
  } catch (const CDBException& error) {
    ShowDatabaseError(error.m_strError, this);
  }
  CDBConnection::CloseResultSet(set);
  for (QTreeWidgetItem* database : databases) AddFolders(database, connection);
}

void CSchemaView::OnExpandOrCollapse(QTreeWidgetItem* item) {
  if (!item || item->childCount() > 0) return;
  const int kind = KindOf(item);
  if (kind == NodeConnection) {
    FillConnection(item);
  } else if (IsContainerKind(kind)) {
    if (m_fill && m_fill->folder == item) return;  // already being read
    if (std::find(m_waiting.begin(), m_waiting.end(), item) != m_waiting.end()) return;
    FillFolder(item);
  }
}

void CSchemaView::FillFolder(QTreeWidgetItem* folder) {
  if (!folder || !IsContainerKind(KindOf(folder)) || KindOf(folder) == NodeConnection) return;
  ForgetSubtree(folder);
  qDeleteAll(folder->takeChildren());
  if (!ConnectionOf(folder)) return;
  m_waiting.push_back(folder);
  if (!m_fill) StartNextFill();
}

void CSchemaView::StartNextFill() {
  while (!m_fill && !m_waiting.empty()) {
    QTreeWidgetItem* folder = m_waiting.front();
    m_waiting.pop_front();
    CDBConnection* connection = ConnectionOf(folder);
    const int kind = KindOf(folder);
    if (kind == NodeFunctionFolder && !connection->HasDatabases()) {
      ShowMessageBox(Utf8("该数据库不支持函数！"), Utf8("函数"), MbIcon::Warning, MbButtons::Ok, this);
      continue;
    }
    auto fill = std::make_unique<ActiveFill>();
    fill->folder = folder;
    fill->connection = connection;
    fill->defaultSchema = DefaultSchema(connection);
    fill->showOwners = !fill->defaultSchema.empty();
    if (connection->HasDatabases()) {
      // The catalogs list the current database: switch to the folder's own
      // for the read and back afterwards.
      fill->restore = true;
      fill->restoreDatabase = connection->GetCurrentDatabase();
      const std::string database = NameOf(folder->parent());
      if (KindOf(folder->parent()) == NodeDatabase && database != fill->restoreDatabase)
        connection->UseDatabase(database);
    }
    fill->waitCursor = new WaitCursor;
    m_fill = std::move(fill);
    QPointer<CSchemaView> self(this);
    m_fill->fill = std::make_unique<CFolderFill>(*connection, kind, [self] {
      PostToGuiThread(self.data(), [self] {
        if (self) self->PumpFill();
      });
    });
  }
}

void CSchemaView::PumpFill() {
  if (!m_fill) return;
  ActiveFill& fill = *m_fill;
  if (fill.next >= fill.backlog.size()) {
    fill.backlog = fill.fill->Take();
    fill.next = 0;
  }
  const int childKind = ChildKindOfFolder(KindOf(fill.folder));
  QElapsedTimer slice;
  slice.start();
  while (fill.next < fill.backlog.size() && slice.elapsed() < kAppendSliceMs) {
    QList<QTreeWidgetItem*> items;
    const std::size_t end = std::min(fill.backlog.size(), fill.next + kItemsPerInsert);
    items.reserve(static_cast<int>(end - fill.next));
    for (; fill.next < end; ++fill.next) {
      const FolderRow& row = fill.backlog[fill.next];
      const bool showOwner = fill.showOwners && !row.owner.empty() && row.owner != fill.defaultSchema;
      const std::string label = showOwner ? row.owner + "." + row.name : row.name;
      QTreeWidgetItem* item = NewNode(nullptr, childKind, QStringFromGbk(label), fill.connection);
      item->setData(0, NameRole, QByteArray::fromStdString(row.name));
      if (showOwner) item->setData(0, OwnerRole, QByteArray::fromStdString(row.owner));
      if (!row.owner.empty()) item->setData(0, CatalogOwnerRole, QByteArray::fromStdString(row.owner));
      items.append(item);
    }
    if (fill.folder->childCount() < kItemsShownAtOnce) fill.folder->addChildren(items);
    else fill.pending.append(items);
  }
  // More to append: continue through a zero timer rather than a posted
  // event, so that input, painting and timers get their turn in between.
  if (fill.next < fill.backlog.size()) {
    QTimer::singleShot(0, this, [this] { PumpFill(); });
    return;
  }
  fill.backlog.clear();
  fill.next = 0;
  if (!fill.fill->Finished()) return;  // the worker wakes us with more
  std::vector<FolderRow> rest = fill.fill->Take();
  if (!rest.empty()) {
    fill.backlog = std::move(rest);
    QTimer::singleShot(0, this, [this] { PumpFill(); });
    return;
  }
  EndFill();
}

void CSchemaView::EndFill() {
  if (!m_fill) return;
  std::unique_ptr<ActiveFill> fill = std::move(m_fill);
  const FolderReadResult result = fill->fill->Result();
  fill->fill.reset();  // joins the worker
  fill->folder->addChildren(fill->pending);
  if (fill->restore) fill->connection->UseDatabase(fill->restoreDatabase);
  delete fill->waitCursor;
  fill->waitCursor = nullptr;
  if (!result.error.empty())
    ShowDatabaseError(result.error, this);
  else if (result.unsupported)
    ShowMessageBox(Utf8("该数据库不支持存储过程！"), Utf8("存储过程"), MbIcon::Warning, MbButtons::Ok, this);
  StartNextFill();
}

void CSchemaView::ForgetSubtree(QTreeWidgetItem* item) {
  std::erase_if(m_waiting, [item](QTreeWidgetItem* folder) { return IsWithin(folder, item); });
  if (m_fill && IsWithin(m_fill->folder, item)) {
    m_fill->fill->Stop();
    m_fill->fill.reset();
    qDeleteAll(m_fill->pending);
    if (m_fill->restore) m_fill->connection->UseDatabase(m_fill->restoreDatabase);
    delete m_fill->waitCursor;
    m_fill.reset();
    // The next folder starts once the caller has finished changing the tree.
    QPointer<CSchemaView> self(this);
    PostToGuiThread(this, [self] {
      if (self) self->StartNextFill();
    });
  }
}

void CSchemaView::FinishFillOn(const CDBConnection* connection) {
  while (m_fill && m_fill->connection == connection)
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
}

}  // namespace orva
