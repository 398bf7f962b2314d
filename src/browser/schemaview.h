#pragma once
// The object browser's tree: one bold root item per open connection, whose
// item data is the connection. The main frame adds a connection when it opens
// and removes it when it closes; commands that act on "the selected
// connection" ask the tree for it.

#include <QTreeWidget>
#include <string>

namespace orva {

class CDBConnection;

class CSchemaView : public QTreeWidget {
 public:
  explicit CSchemaView(QWidget* parent = nullptr);
  ~CSchemaView() override;

  // Appends a root item for the connection, shown as `name` (GBK).
  void AddConnection(CDBConnection* conn, const std::string& name);
  // Removes the connection's root item (and everything below it).
  void RemoveConnection(CDBConnection* conn);
  // The connection of the selected item's root; null when nothing is selected.
  CDBConnection* SelectedConnection() const;
  // The connection of the first root item; null when there is none.
  CDBConnection* FirstConnection() const;
  bool HasConnections() const;

  // The connection a root item stands for (null for other items).
  static CDBConnection* ConnectionOf(const QTreeWidgetItem* root);
  QTreeWidgetItem* RootOf(const CDBConnection* conn) const;
};

}  // namespace orva
