// The object commands of the schema tree: generated statements, DROP,
// properties, open and refresh, plus the mouse, key and drag entry points.

#include <QContextMenuEvent>
#include <QDrag>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPointer>

#include "browser/browserhost.h"
#include "browser/schemaview.h"
#include "browser/structuregrid.h"
#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "editor/textview.h"
#include "platform/codec.h"
#include "platform/messagebox.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "platform/waitcursor.h"
#include "query/childframe.h"
#include "query/queryview.h"
#include "query/resultview.h"

namespace orva {
namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

void ShowError(const CDBException& error, QWidget* parent) {
  ShowDatabaseError(error.m_strError, parent);
}

void Activate(CChildFrame* frame) {
  if (auto* window = qobject_cast<QMdiSubWindow*>(frame->parentWidget())) {
    if (QMdiArea* area = window->mdiArea()) area->setActiveSubWindow(window);
    window->showNormal();
  }
  frame->setFocus();
  if (QWidget* editor = frame->GetSqlView()) editor->setFocus();
}

// Switches the connection to `database` for the lifetime of the guard when it
// is not the current one, and back afterwards.
class DatabaseScope {
 public:
  DatabaseScope(CDBConnection& connection, const std::string& database) : m_connection(connection) {
    if (!connection.HasDatabases() || database.empty() || database == connection.GetCurrentDatabase()) return;
    m_previous = connection.GetCurrentDatabase();
    m_switched = connection.UseDatabase(database);
  }
  ~DatabaseScope() {
    if (m_switched) m_connection.UseDatabase(m_previous);
  }

 private:
  CDBConnection& m_connection;
  std::string m_previous;
  bool m_switched = false;
};

}  // namespace

std::string CSchemaView::ReferenceOf(const QTreeWidgetItem* item) const {
  CDBConnection* connection = ConnectionOf(item);
  return ObjectReference(RefOf(item), connection ? connection->GetIdentifierStyle() : IdentifierStyle{});
}

std::string CSchemaView::QualifiedOf(const QTreeWidgetItem* item) const {
  CDBConnection* connection = ConnectionOf(item);
  if (!connection) return ReferenceOf(item);
  if (KindOf(item) == NodeDatabase) return QuoteIdentifier(NameOf(item), connection->GetIdentifierStyle());
  return QualifiedReference(RefOf(item), connection->GetIdentifierStyle(), connection->HasDatabases());
}

CChildFrame* CSchemaView::TargetWindow(QTreeWidgetItem* item) {
  CDBConnection* connection = ConnectionOf(item);
  if (!connection || !m_host) return nullptr;
  CChildFrame* target = m_host->ActiveQueryWindow();
  if (!target || target->GetConnection() != connection) {
    target = nullptr;
    for (CChildFrame* frame : m_host->QueryWindows()) {
      if (frame->GetConnection() == connection) {
        target = frame;
        break;
      }
    }
  }
  if (!target) target = m_host->NewQueryWindow(connection);
  return target;
}

void CSchemaView::InsertGenerated(QTreeWidgetItem* item, const std::string& statement) {
  CChildFrame* target = TargetWindow(item);
  if (!target) return;
  CDBConnection* connection = ConnectionOf(item);
  // The statement names the object without its database: the window moves to
  // the object's database so that the statement runs where the object is.
  const QTreeWidgetItem* grandparent = item->parent() ? item->parent()->parent() : nullptr;
  if (connection->SupportsMultipleResults() && KindOf(grandparent) == NodeDatabase) {
    connection->UseDatabase(NameOf(grandparent));
    target->FillDatabaseBox();
  }
  if (CQueryView* view = target->GetQueryView()) view->InsertText("\r\n" + statement);
  Activate(target);
}

void CSchemaView::OnSelectShort(QTreeWidgetItem* item) {
  const int kind = KindOf(item);
  if (!IsObjectKind(kind)) return;
  InsertGenerated(item, ShortSelect(kind, ReferenceOf(item)));
}

void CSchemaView::InsertFromColumns(QTreeWidgetItem* item, const ColumnsToText& build) {
  CDBConnection* connection = ConnectionOf(item);
  if (!connection) return;
  FinishFillOn(connection);
  std::string statement;
  try {
    WaitCursor wait;
    auto columns = ReadColumns(*connection, RefOf(item));
    statement = build(columns.value_or(std::vector<CatalogColumn>{}), ReferenceOf(item),
                      connection->GetIdentifierStyle());
  } catch (const CDBException& error) {
    ShowError(error, this);
    return;
  }
  InsertGenerated(item, statement);
}

void CSchemaView::OnSelectFull(QTreeWidgetItem* item) {
  const int kind = KindOf(item);
  if (kind == NodeTable || kind == NodeView) InsertFromColumns(item, FullSelect);
}

void CSchemaView::OnCreateTable(QTreeWidgetItem* item) {
  if (KindOf(item) == NodeTable) InsertFromColumns(item, CreateTableScript);
}

void CSchemaView::OnDrop(QTreeWidgetItem* item) {
  const int kind = KindOf(item);
  CDBConnection* connection = ConnectionOf(item);
  if (!IsItemKind(kind) || !connection) return;
  const std::string statement = DropStatement(kind, QualifiedOf(item));
  // Dropping cannot be undone: the user sees the exact statement first.
  const QString question = Utf8("确实要执行下面的语句吗？删除后无法恢复。\n\n") + QStringFromGbk(statement);
  if (ShowMessageBox(question, Utf8("删除"), MbIcon::Question, MbButtons::YesNo, this) != IDYES) return;
  FinishFillOn(connection);
  try {
    WaitCursor wait;
    connection->Execute(statement);
  } catch (const CDBException& error) {
    ShowError(error, this);
    return;
  }
  ForgetSubtree(item);
  delete item;
}

void CSchemaView::OnProperties(QTreeWidgetItem* item) {
  const int kind = KindOf(item);
  CDBConnection* connection = ConnectionOf(item);
  if (!IsObjectKind(kind) || !connection || !m_host) return;
  FinishFillOn(connection);
  CChildFrame* frame = m_host->NewQueryWindow(connection);
  if (!frame) return;
  const ObjectRef object = RefOf(item);
  WaitCursor wait;
  if (kind == NodeTable || kind == NodeView) {
    if (CGridCtrl* grid = frame->GetResultView()->AddResultGrid(nullptr))
      FillStructureGrid(*grid, *connection, object);
  }
  if (kind != NodeTable) {
    std::string text;
    {
      DatabaseScope scope(*connection, object.database);
      text = ObjectSource(*connection, object, kind);
    }
    if (CQueryView* view = frame->GetQueryView()) view->InsertText(text);
  }
  frame->ShowEditorPane(kind != NodeTable);
  frame->ShowResultPane(kind == NodeTable || kind == NodeView);
}

void CSchemaView::OnOpen(QTreeWidgetItem* item) {
  const int kind = KindOf(item);
  CDBConnection* connection = ConnectionOf(item);
  if ((kind != NodeTable && kind != NodeView) || !connection || !m_host) return;
  if (m_host->OpenObjectView(connection, QualifiedOf(item), kind)) return;
  OnSelectFull(item);
}

void CSchemaView::OnRefresh(QTreeWidgetItem* item) {
  const int kind = KindOf(item);
  if (kind == NodeConnection) FillConnection(item);
  else if (IsContainerKind(kind)) FillFolder(item);
}

bool CSchemaView::OnCommand(int id) {
  QTreeWidgetItem* item = SelectedNode();
  switch (id) {
    case ID_OBJECT_OPEN: OnOpen(item); return true;
    case ID_OBJECT_SELECT_SHORT: OnSelectShort(item); return true;
    case ID_OBJECT_SELECT_FULL: OnSelectFull(item); return true;
    case ID_OBJECT_CREATE_TABLE: OnCreateTable(item); return true;
    case ID_OBJECT_REFRESH: OnRefresh(item); return true;
    case ID_OBJECT_DROP: OnDrop(item); return true;
    case ID_OBJECT_PROPERTIES: OnProperties(item); return true;
    default: return false;
  }
}

bool CSchemaView::OnUpdateCommand(int id, CmdUI& ui) {
  switch (id) {
    case ID_OBJECT_OPEN:
    case ID_OBJECT_SELECT_SHORT:
    case ID_OBJECT_SELECT_FULL:
    case ID_OBJECT_CREATE_TABLE:
    case ID_OBJECT_REFRESH:
    case ID_OBJECT_DROP:
    case ID_OBJECT_PROPERTIES:
      ui.Enable(ObjectCommandEnabled(id, SelectedKind()));
      return true;
    default:
      return false;
  }
}

void CSchemaView::contextMenuEvent(QContextMenuEvent* event) {
  QTreeWidgetItem* item = event->reason() == QContextMenuEvent::Mouse ? itemAt(event->pos()) : currentItem();
  if (!item) return;  // empty space: no menu
  setCurrentItem(item);
  QMenu menu(Utf8("对象浏览器"), window());
  QPointer<CSchemaView> self(this);
  auto add = [&](QMenu* to, int id, int image) {
    const CommandText* text = FindCommandText(id);
    QAction* action = to->addAction(QString::fromUtf8(text ? text->menuText : ""));
    action->setData(id);
    if (image >= 0) action->setIcon(m_menuImages.Icon(image));
    CmdUI ui(id);
    OnUpdateCommand(id, ui);
    action->setEnabled(ui.IsEnabled());
    QObject::connect(action, &QAction::triggered, this, [self, id] {
      if (self) self->OnCommand(id);
    });
    return action;
  };
  QAction* open = add(&menu, ID_OBJECT_OPEN, -1);
  QFont bold = open->font();
  bold.setBold(true);
  open->setFont(bold);  // the default item
  menu.setDefaultAction(open);
  menu.addSeparator();
  QMenu* select = menu.addMenu(Utf8("生成查询语句(&Q)"));
  add(select, ID_OBJECT_SELECT_SHORT, -1);
  add(select, ID_OBJECT_SELECT_FULL, -1);
  select->setEnabled(ObjectCommandEnabled(ID_OBJECT_SELECT_SHORT, KindOf(item)));
  add(&menu, ID_OBJECT_CREATE_TABLE, -1);
  menu.addSeparator();
  add(&menu, ID_OBJECT_REFRESH, 11);
  add(&menu, ID_OBJECT_DROP, 0);
  menu.addSeparator();
  add(&menu, ID_OBJECT_PROPERTIES, 9);
  menu.exec(event->globalPos());
  event->accept();
}

void CSchemaView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  if (event->button() != Qt::LeftButton) return;
  if (QTreeWidgetItem* item = itemAt(event->position().toPoint())) OnSelectShort(item);
}

void CSchemaView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
    if (ObjectCommandEnabled(ID_OBJECT_DROP, SelectedKind())) OnDrop(SelectedNode());
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

namespace {

Qt::DropAction PlatformDragLoop(QDrag& drag) { return drag.exec(Qt::CopyAction, Qt::CopyAction); }

CSchemaView::DragLoop& CurrentDragLoop() {
  static CSchemaView::DragLoop loop = PlatformDragLoop;
  return loop;
}

}  // namespace

void CSchemaView::SetDragLoop(DragLoop loop) { CurrentDragLoop() = loop ? std::move(loop) : DragLoop(PlatformDragLoop); }

std::unique_ptr<QMimeData> CSchemaView::DragData(const QTreeWidgetItem* item) const {
  if (!IsObjectKind(KindOf(item))) return nullptr;
  auto data = std::make_unique<QMimeData>();
  SetGbkText(*data, ReferenceOf(item));
  return data;
}

void CSchemaView::startDrag(Qt::DropActions) {
  std::unique_ptr<QMimeData> data = DragData(SelectedNode());
  if (!data) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(data.release());
  CurrentDragLoop()(*drag);
  drag->deleteLater();
}

}  // namespace orva
