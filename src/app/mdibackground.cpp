#include "app/mdibackground.h"

#include <QFontDatabase>
#include <QPainter>
#include <QResizeEvent>

namespace orva {

namespace {

const QString kName = QStringLiteral("ORVA");
// The classic desktop colour.
const QColor kDesktop(58, 110, 165);

QString NameFontFamily() {
  const QStringList families = QFontDatabase::families();
  for (const char* wanted : {"隶书", "LiSu", "STLiti"})
    if (families.contains(QString::fromUtf8(wanted))) return QString::fromUtf8(wanted);
  for (const QString& family : QFontDatabase::families(QFontDatabase::SimplifiedChinese))
    if (!QFontDatabase::isFixedPitch(family)) return family;
  const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  return chinese.isEmpty() ? QString() : chinese.first();
}

}  // namespace

CMdiBackground::CMdiBackground(QWidget* parent) : QMdiArea(parent) {
  m_nameFont.setFamily(NameFontFamily());
  m_nameFont.setPixelSize(32);
  m_nameFont.setWeight(QFont::Normal);
  setBackground(kDesktop);
}

QPoint CMdiBackground::NamePosition() const {
  const QFontMetrics base = fontMetrics();
  const QFontMetrics name(m_nameFont);
  const QRect client = viewport()->rect();
  const int left = client.right() + 1 - base.averageCharWidth() / 2 - name.horizontalAdvance(kName);
  const int top = client.bottom() + 1 - base.height() / 5 - name.height() - 30;
  return {left, top};
}

void CMdiBackground::paintEvent(QPaintEvent* event) {
  QMdiArea::paintEvent(event);  // the desktop colour
  QPainter painter(viewport());
  painter.setFont(m_nameFont);
  const int shift = fontMetrics().averageCharWidth();
  const QPoint at = NamePosition();
  const int baseline = at.y() + QFontMetrics(m_nameFont).ascent();
  // Black, then white a little to the left, then the face colour a little to
  // the right: the letters look raised.
  painter.setPen(Qt::black);
  painter.drawText(at.x(), baseline, kName);
  painter.setPen(Qt::white);
  painter.drawText(at.x() - shift * 3 / 5, baseline, kName);
  painter.setPen(palette().color(QPalette::Button));
  painter.drawText(at.x() + shift / 5, baseline, kName);
}

void CMdiBackground::resizeEvent(QResizeEvent* event) {
  QMdiArea::resizeEvent(event);
  // The name sits in the corner: after the first size, every size change
  // repaints the whole area.
  if (m_sized) viewport()->update();
  m_sized = true;
}

}  // namespace orva
