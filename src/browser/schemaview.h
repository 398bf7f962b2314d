#pragma once
// The object browser: one bold root per open connection, its databases (on
// products that have several), the four folders "数据表", "视图", "存储过程",
// "函数" and their objects. Folders are read when first expanded, on a worker
// thread, while the tree stays responsive. The view generates statements from
// its nodes into query windows, drops objects, shows structures and source
// text, and lets object names be dragged into the SQL editor.

#include <QMimeData>
#include <QTreeWidget>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/folderfill.h"
#include "browser/schemanode.h"
#include "browser/scriptgen.h"
#include "platform/command.h"
#include "platform/imagelist.h"

class QDrag;

namespace orva {

class CChildFrame;
class CDBConnection;
class IBrowserHost;

class CSchemaView : public QTreeWidget, public ICommandTarget {
 public:
  // Runs the platform's drag loop for a drag the tree starts and returns the
  // action the drop ended with. Tests replace it (null restores the platform's).
  using DragLoop = std::function<Qt::DropAction(QDrag& drag)>;
  static void SetDragLoop(DragLoop loop);

  // What each node carries besides its text and icon.
  enum Role { KindRole = Qt::UserRole, ConnectionRole, NameRole, OwnerRole, CatalogOwnerRole };

  explicit CSchemaView(QWidget* parent = nullptr);
  ~CSchemaView() override;

  void SetHost(IBrowserHost* host) { m_host = host; }
  IBrowserHost* Host() const { return m_host; }

  // Appends a bold, expanded root for an open connection and lists its
  // databases and folders. False, adding nothing, without a connection or
  // name. The main window keeps owning the connection.
  bool AddConnection(CDBConnection* connection, const std::string& name);
  // Removes the connection's root and everything below it (a folder being
  // read is stopped first).
  void RemoveConnection(CDBConnection* connection);
  // The connection of the selected node, else of the first root.
  CDBConnection* SelectedConnection() const;
  // The connection of the selected node; null when no node is selected.
  CDBConnection* SelectedNodeConnection() const { return ConnectionOf(SelectedNode()); }
  // The selected node, or null.
  QTreeWidgetItem* SelectedNode() const;
  CDBConnection* FirstConnection() const;
  bool HasConnections() const { return topLevelItemCount() > 0; }
  QTreeWidgetItem* RootOf(const CDBConnection* connection) const;

  static int KindOf(const QTreeWidgetItem* item);
  static CDBConnection* ConnectionOf(const QTreeWidgetItem* item);
  // GBK name (without owner) and owner of an object node.
  static std::string NameOf(const QTreeWidgetItem* item);
  static std::string OwnerOf(const QTreeWidgetItem* item);
  // The database an object or folder node lives in (empty on connections
  // without databases).
  static std::string DatabaseOf(const QTreeWidgetItem* item);
  static ObjectRef RefOf(const QTreeWidgetItem* item);
  int SelectedKind() const;
  // What dragging the node carries: the object's name as generated
  // statements write it, as text. Null for connections, databases and
  // folders, which start no drag.
  std::unique_ptr<QMimeData> DragData(const QTreeWidgetItem* item) const;

  // Lists the databases (and their folders) below a connection node again.
  void FillConnection(QTreeWidgetItem* root);
  // Reads a folder again; the rows arrive while events are processed.
  void FillFolder(QTreeWidgetItem* folder);
  // A folder is being read or waits to be.
  bool IsFilling() const { return m_fill != nullptr || !m_waiting.empty(); }

  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;

 private:
  struct ActiveFill;

  QTreeWidgetItem* NewNode(QTreeWidgetItem* parent, int kind, const QString& text, CDBConnection* connection);
  void AddFolders(QTreeWidgetItem* parent, CDBConnection* connection);
  void OnExpandOrCollapse(QTreeWidgetItem* item);
  // Folders wait their turn: one connection statement of the browser at a time.
  void StartNextFill();
  void PumpFill();
  void EndFill();
  // Stops reads of folders inside `item` before it goes away.
  void ForgetSubtree(QTreeWidgetItem* item);
  // Lets a read on the connection finish before another statement runs on it.
  void FinishFillOn(const CDBConnection* connection);
  std::string DefaultSchema(const CDBConnection* connection) const;

  // Object commands (schemaview_commands.cpp).
  CChildFrame* TargetWindow(QTreeWidgetItem* item);
  void InsertGenerated(QTreeWidgetItem* item, const std::string& statement);
  void OnSelectShort(QTreeWidgetItem* item);
  // Reads the object's columns and inserts what `build` makes of them.
  using ColumnsToText = std::string (*)(const std::vector<CatalogColumn>&, const std::string&,
                                        const IdentifierStyle&);
  void InsertFromColumns(QTreeWidgetItem* item, const ColumnsToText& build);
  void OnSelectFull(QTreeWidgetItem* item);
  void OnCreateTable(QTreeWidgetItem* item);
  void OnDrop(QTreeWidgetItem* item);
  void OnProperties(QTreeWidgetItem* item);
  void OnOpen(QTreeWidgetItem* item);
  void OnRefresh(QTreeWidgetItem* item);
  std::string ReferenceOf(const QTreeWidgetItem* item) const;
  std::string QualifiedOf(const QTreeWidgetItem* item) const;

  IBrowserHost* m_host = nullptr;
  ImageList m_treeImages;
  std::vector<QIcon> m_icons;
  ImageList m_menuImages;
  std::unique_ptr<ActiveFill> m_fill;
  std::deque<QTreeWidgetItem*> m_waiting;
  // PostgreSQL-style catalogs: the schema whose objects are shown by name
  // alone, per connection.
  std::vector<std::pair<const CDBConnection*, std::string>> m_defaultSchemas;
};

}  // namespace orva
