#include "browser/schemaview.h"

#include <QFont>

#include "platform/qtext.h"

namespace orva {

namespace {
constexpr int kConnectionRole = Qt::UserRole + 1;
}

CSchemaView::CSchemaView(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setSelectionMode(QAbstractItemView::SingleSelection);
}

CSchemaView::~CSchemaView() = default;

CDBConnection* CSchemaView::ConnectionOf(const QTreeWidgetItem* root) {
  if (!root) return nullptr;
  return static_cast<CDBConnection*>(root->data(0, kConnectionRole).value<void*>());
}

void CSchemaView::AddConnection(CDBConnection* conn, const std::string& name) {
  if (!conn) return;
  auto* item = new QTreeWidgetItem(QStringList{QStringFromGbk(name)});
  item->setData(0, kConnectionRole, QVariant::fromValue(static_cast<void*>(conn)));
  QFont bold = font();
  bold.setBold(true);
  item->setFont(0, bold);
  addTopLevelItem(item);
}

QTreeWidgetItem* CSchemaView::RootOf(const CDBConnection* conn) const {
  for (int i = 0; i < topLevelItemCount(); ++i)
    if (ConnectionOf(topLevelItem(i)) == conn) return topLevelItem(i);
  return nullptr;
}

void CSchemaView::RemoveConnection(CDBConnection* conn) { delete RootOf(conn); }

CDBConnection* CSchemaView::SelectedConnection() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  QTreeWidgetItem* item = selected.isEmpty() ? nullptr : selected.first();
  while (item && item->parent()) item = item->parent();
  return ConnectionOf(item);
}

CDBConnection* CSchemaView::FirstConnection() const {
  return topLevelItemCount() > 0 ? ConnectionOf(topLevelItem(0)) : nullptr;
}

bool CSchemaView::HasConnections() const { return topLevelItemCount() > 0; }

}  // namespace orva
