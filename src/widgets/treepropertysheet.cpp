#include "widgets/treepropertysheet.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "platform/imagelist.h"

namespace orva {
namespace {
constexpr int kPageRole = Qt::UserRole + 1;
}  // namespace

CPropertyPage::CPropertyPage(const QString& title, QWidget* parent) : QWidget(parent), m_title(title) {}

void CPropertyPage::SetModified(bool modified) {
  if (m_modified == modified) return;
  m_modified = modified;
  emit ModifiedChanged();
}

CTreePropertySheet::CTreePropertySheet(const QString& caption, QWidget* parent) : QDialog(parent) {
  setWindowTitle(caption);
  m_tree = new QTreeWidget(this);
  m_tree->setObjectName(QStringLiteral("pageTree"));
  m_tree->header()->hide();
  m_tree->setRootIsDecorated(true);
  m_tree->setFixedWidth(150);

  m_caption = new QLabel(this);
  m_caption->setObjectName(QStringLiteral("pageCaption"));
  QFont captionFont = m_caption->font();
  captionFont.setBold(true);
  m_caption->setFont(captionFont);
  m_caption->setAutoFillBackground(true);
  m_caption->setBackgroundRole(QPalette::Mid);
  m_caption->setContentsMargins(6, 3, 6, 3);

  m_stack = new QStackedWidget(this);
  m_selectChild = new QLabel(this);
  m_selectChild->setObjectName(QStringLiteral("selectChild"));
  m_selectChild->setAlignment(Qt::AlignCenter);
  m_selectChild->setWordWrap(true);
  m_stack->addWidget(m_selectChild);

  auto* buttons = new QDialogButtonBox(this);
  m_ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
  m_cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
  m_apply = buttons->addButton(QStringLiteral("应用(&A)"), QDialogButtonBox::ApplyRole);
  m_apply->setEnabled(false);
  connect(m_ok, &QPushButton::clicked, this, [this] {
    ApplyPages();
    accept();
  });
  connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_apply, &QPushButton::clicked, this, [this] { ApplyPages(); });
  connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { ShowNode(item); });

  auto* pageArea = new QVBoxLayout;
  pageArea->addWidget(m_caption);
  pageArea->addWidget(m_stack, 1);
  auto* body = new QHBoxLayout;
  body->addWidget(m_tree);
  body->addLayout(pageArea, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addWidget(buttons);
}

QTreeWidgetItem* CTreePropertySheet::NodeFor(const QString& name, QTreeWidgetItem* parent) {
  const int count = parent ? parent->childCount() : m_tree->topLevelItemCount();
  for (int i = 0; i < count; ++i) {
    QTreeWidgetItem* item = parent ? parent->child(i) : m_tree->topLevelItem(i);
    if (item->text(0) == name) return item;
  }
  auto* item = new QTreeWidgetItem(QStringList{name});
  if (parent) {
    parent->addChild(item);
    parent->setExpanded(true);
  } else {
    m_tree->addTopLevelItem(item);
  }
  return item;
}

void CTreePropertySheet::AddPage(CPropertyPage* page, int image) {
  page->setParent(m_stack);
  m_stack->addWidget(page);
  m_pages.push_back(page);
  QTreeWidgetItem* node = nullptr;
  for (const QString& part : page->Title().split(QStringLiteral("::"))) node = NodeFor(part, node);
  node->setData(0, kPageRole, QVariant::fromValue<void*>(page));
  if (m_images && image >= 0) node->setIcon(0, m_images->Icon(image));
  connect(page, &CPropertyPage::ModifiedChanged, this, &CTreePropertySheet::UpdateApply);
  if (!m_tree->currentItem()) m_tree->setCurrentItem(node);
}

void CTreePropertySheet::SetActivePage(CPropertyPage* page) {
  for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
    if ((*it)->data(0, kPageRole).value<void*>() == page) {
      m_tree->setCurrentItem(*it);
      return;
    }
  }
}

CPropertyPage* CTreePropertySheet::ActivePage() const {
  QWidget* current = m_stack->currentWidget();
  return current == m_selectChild ? nullptr : static_cast<CPropertyPage*>(current);
}

void CTreePropertySheet::ShowNode(QTreeWidgetItem* item) {
  if (!item) return;
  auto* page = static_cast<CPropertyPage*>(item->data(0, kPageRole).value<void*>());
  m_caption->setText(item->text(0));
  if (!page) {
    m_selectChild->setText(QStringLiteral("Please select a child item of '%1'.").arg(item->text(0)));
    m_stack->setCurrentWidget(m_selectChild);
    return;
  }
  m_stack->setCurrentWidget(page);
  if (!page->m_opened) {
    page->m_opened = true;
    page->OnFirstShow();
  }
}

void CTreePropertySheet::ApplyPages() {
  for (CPropertyPage* page : m_pages) {
    if (!page->WasOpened()) continue;
    page->OnApply();
    page->SetModified(false);
  }
}

void CTreePropertySheet::UpdateApply() {
  bool modified = false;
  for (const CPropertyPage* page : m_pages) modified |= page->IsModified();
  m_apply->setEnabled(modified);
}

}  // namespace orva
