#pragma once
// The MDI client area of the main window: the desktop colour with the product
// name painted in raised letters in the lower right corner.

#include <QFont>
#include <QMdiArea>

namespace orva {

class CMdiBackground : public QMdiArea {
 public:
  explicit CMdiBackground(QWidget* parent = nullptr);

  // The font of the name: "隶书" at 32 pixels, or an installed Chinese font
  // standing in for it.
  const QFont& NameFont() const { return m_nameFont; }
  // Where the name's black pass is drawn (top left of the text box).
  QPoint NamePosition() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QFont m_nameFont;
  bool m_sized = false;
};

}  // namespace orva
