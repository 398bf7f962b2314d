#pragma once
// A property sheet that lists its pages as a tree beside the page area, with
// OK, Cancel and Apply. A page titled "A::B" is shown as node "B" under a
// parent node "A"; a node without a page of its own asks the user to pick
// one of its children.

#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace orva {

class ImageList;

class CPropertyPage : public QWidget {
  Q_OBJECT
 public:
  explicit CPropertyPage(const QString& title, QWidget* parent = nullptr);

  // The full title as added, "A::B" for a child page.
  const QString& Title() const { return m_title; }
  // True once the page has been shown: only such pages are asked to apply.
  bool WasOpened() const { return m_opened; }

  bool IsModified() const { return m_modified; }
  // Marks the page changed, which makes Apply available.
  void SetModified(bool modified = true);

  // Called the first time the page is shown.
  virtual void OnFirstShow() {}
  // OK and Apply: keep what the page shows.
  virtual void OnApply() {}

 signals:
  void ModifiedChanged();

 private:
  friend class CTreePropertySheet;
  QString m_title;
  bool m_opened = false;
  bool m_modified = false;
};

class CTreePropertySheet : public QDialog {
  Q_OBJECT
 public:
  explicit CTreePropertySheet(const QString& caption, QWidget* parent = nullptr);

  // Page images for the tree nodes; the list must outlive the sheet.
  void SetImageList(const ImageList* images) { m_images = images; }
  // Adds a page after the ones added before; the sheet owns it.
  void AddPage(CPropertyPage* page, int image = -1);
  void SetActivePage(CPropertyPage* page);
  CPropertyPage* ActivePage() const;

  QTreeWidget* Tree() const { return m_tree; }
  QPushButton* ApplyButton() const { return m_apply; }
  QPushButton* OkButton() const { return m_ok; }
  QPushButton* CancelButton() const { return m_cancel; }

 private:
  QTreeWidgetItem* NodeFor(const QString& name, QTreeWidgetItem* parent);
  void ShowNode(QTreeWidgetItem* item);
  void ApplyPages();
  void UpdateApply();

  const ImageList* m_images = nullptr;
  QTreeWidget* m_tree = nullptr;
  QLabel* m_caption = nullptr;
  QStackedWidget* m_stack = nullptr;
  QLabel* m_selectChild = nullptr;  // shown for nodes without a page
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
  QPushButton* m_apply = nullptr;
  std::vector<CPropertyPage*> m_pages;
};

}  // namespace orva
