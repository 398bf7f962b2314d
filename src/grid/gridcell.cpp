#include "grid/gridcell.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include "grid/gridctrl.h"
#include "grid/inplaceedit.h"
#include "grid/textmeasure.h"
#include "platform/imagelist.h"
#include "platform/qtext.h"

namespace orva {

// ---- CGridCellBase ----

const CGridDefaultCell* CGridCellBase::GetDefaultCell() const {
  CGridCtrl* grid = GetGrid();
  return grid ? grid->GetDefaultCell(IsFixedRow(), IsFixedCol()) : nullptr;
}

int CGridCellBase::GetFormat() const {
  const CGridDefaultCell* def = GetDefaultCell();
  return def ? def->GetFormat() : DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
}

QColor CGridCellBase::GetTextClr() const {
  const CGridDefaultCell* def = GetDefaultCell();
  return def ? def->GetTextClr() : QColor();
}

QColor CGridCellBase::GetBackClr() const {
  const CGridDefaultCell* def = GetDefaultCell();
  return def ? def->GetBackClr() : QColor();
}

std::optional<QFont> CGridCellBase::GetFont() const {
  const CGridDefaultCell* def = GetDefaultCell();
  return def ? def->GetFont() : std::nullopt;
}

QFont CGridCellBase::GetFontObject() const {
  std::optional<QFont> font = GetFont();
  return font ? *font : QFont();
}

int CGridCellBase::GetMargin() const {
  const CGridDefaultCell* def = GetDefaultCell();
  return def ? def->GetMargin() : 3;
}

void CGridCellBase::Assign(const CGridCellBase& other) {
  if (this == &other) return;
  SetText(other.GetText());
  SetImage(other.GetImage());
  SetData(other.GetData());
  SetState(other.GetState());
  SetFormat(other.GetFormat());
  SetTextClr(other.GetTextClr());
  SetBackClr(other.GetBackClr());
  SetFont(other.GetFont());
  SetMargin(other.GetMargin());
}

void CGridCellBase::Reset() {}

QRect CGridCellBase::GetImageRect(QRect cellRect) const {
  CGridCtrl* grid = GetGrid();
  const ImageList* images = grid ? grid->GetImageList() : nullptr;
  if (GetImage() < 0 || !images || GetImage() >= images->Count()) return {};
  QSize size = images->ImageSize();
  int margin = GetMargin();
  return QRect(cellRect.left() + margin, cellRect.top() + (cellRect.height() - size.height()) / 2, size.width(),
               size.height());
}

QRect CGridCellBase::GetTextRect(QRect cellRect) const {
  int margin = GetMargin();
  QRect text = cellRect.adjusted(margin, 0, -margin, 0);
  QRect image = GetImageRect(cellRect);
  if (image.isValid()) text.setLeft(image.right() + 1 + margin);
  return text;
}

QSize CGridCellBase::GetTextExtent(std::string_view text) const {
  int margin = GetMargin();
  return MeasureText(GetFontObject(), text, GetFormat()) + QSize(2 * margin, 2 * margin);
}

QSize CGridCellBase::GetCellExtent() const {
  QSize extent = GetTextExtent(GetText());
  CGridCtrl* grid = GetGrid();
  const ImageList* images = grid ? grid->GetImageList() : nullptr;
  if (GetImage() >= 0 && images && GetImage() < images->Count()) {
    QSize image = images->ImageSize();
    extent.setWidth(extent.width() + image.width() + GetMargin());
    extent.setHeight(std::max(extent.height(), image.height()));
  }
  return extent;
}

void CGridCellBase::DrawContents(QPainter& painter, QRect rect, bool eraseBkgnd, bool forPrint) {
  CGridCtrl* grid = GetGrid();
  const bool fixed = IsFixed();
  const bool highlighted = !forPrint && !fixed && (IsSelected() || IsDropHighlighted());
  QPalette palette = grid ? grid->palette() : QApplication::palette();

  QColor back = GetBackClr();
  if (!back.isValid()) back = grid ? (fixed ? grid->GetFixedBkColor() : grid->GetTextBkColor()) : Qt::white;
  QColor text = GetTextClr();
  if (!text.isValid()) text = grid ? grid->GetTextColor() : Qt::black;
  if (highlighted) {
    back = palette.color(QPalette::Highlight);
    text = palette.color(QPalette::HighlightedText);
  }
  if (eraseBkgnd) painter.fillRect(rect, back);

  if (fixed && !forPrint) {
    // Raised heading look: light top-left edge, shadow bottom-right edge.
    painter.setPen(palette.color(QPalette::Light));
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(grid ? grid->GetFixedShadowColor() : Qt::gray);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
  }

  QRect image = GetImageRect(rect);
  if (image.isValid() && grid && grid->GetImageList()) grid->GetImageList()->Draw(painter, GetImage(), image.x(), image.y());

  QRect textRect = GetTextRect(rect);
  int format = GetFormat();
  // Printing uses the font the grid set on the printer painter.
  QFont font = forPrint ? painter.font() : GetFontObject();
  painter.setFont(font);
  painter.setPen(text);
  QString shown = QStringFromGbk(GetText());
  if ((format & DT_SINGLELINE) && (format & DT_END_ELLIPSIS))
    shown = QFontMetrics(font).elidedText(shown, Qt::ElideRight, std::max(textRect.width(), 0));
  painter.drawText(textRect, QtFlagsFromFormat(format), shown);

  if (IsFocused() && !forPrint) {
    QPen pen(palette.color(QPalette::WindowText));
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(1, 1, -2, -2));
  }
}

bool CGridCellBase::Draw(QPainter& painter, int row, int col, QRect rect, bool eraseBkgnd) {
  painter.save();
  DrawContents(painter, rect, eraseBkgnd, false);
  painter.restore();
  return true;
}

bool CGridCellBase::PrintCell(QPainter& painter, int row, int col, QRect rect) {
  painter.save();
  DrawContents(painter, rect, false, true);
  painter.restore();
  return true;
}

bool CGridCellBase::Edit(int row, int col, QRect rect, QPoint point, int id, int firstChar) {
  CGridCtrl* grid = GetGrid();
  if (!grid || IsEditing()) return false;
  auto* editor = new GridInPlaceEdit(grid->viewport(), GetTextRect(rect).adjusted(-1, 0, 0, 0), GetFormat(), id, row,
                                     col, GetText(), firstChar, grid);
  editor->setFont(GetFontObject());
  SetEditWnd(editor);
  return true;
}

void CGridCellBase::EndEdit() {
  if (auto* editor = qobject_cast<GridInPlaceEdit*>(GetEditWnd())) editor->EndEdit();
}

// ---- CGridCell ----

int CGridCell::GetFormat() const { return m_format >= 0 ? m_format : CGridCellBase::GetFormat(); }
QColor CGridCell::GetTextClr() const { return m_textClr.isValid() ? m_textClr : CGridCellBase::GetTextClr(); }
QColor CGridCell::GetBackClr() const { return m_backClr.isValid() ? m_backClr : CGridCellBase::GetBackClr(); }
std::optional<QFont> CGridCell::GetFont() const { return m_font ? m_font : CGridCellBase::GetFont(); }
int CGridCell::GetMargin() const { return m_margin >= 0 ? m_margin : CGridCellBase::GetMargin(); }

void CGridCell::Assign(const CGridCellBase& other) {
  auto* cell = dynamic_cast<const CGridCell*>(&other);
  if (!cell || dynamic_cast<const CGridDefaultCell*>(&other)) {
    CGridCellBase::Assign(other);
    return;
  }
  // Copy what the other cell holds itself, leaving unset values unset.
  m_state = cell->m_state;
  m_text = cell->m_text;
  m_data = cell->m_data;
  m_image = cell->m_image;
  m_format = cell->m_format;
  m_textClr = cell->m_textClr;
  m_backClr = cell->m_backClr;
  m_font = cell->m_font;
  m_margin = cell->m_margin;
}

void CGridCell::Reset() {
  m_state = 0;
  m_text.clear();
  m_data = 0;
  m_image = -1;
  m_format = -1;
  m_textClr = QColor();
  m_backClr = QColor();
  m_font.reset();
  m_margin = -1;
  m_editWnd = nullptr;
}

// ---- CGridDefaultCell ----

CGridDefaultCell::CGridDefaultCell() {
  m_format = DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
  m_margin = 3;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) SetFont(QApplication::font());
}

void CGridDefaultCell::SetFont(const std::optional<QFont>& font) {
  m_fontObject = font ? *font : QFont();
  m_font = m_fontObject;
  QFontMetrics metrics(m_fontObject);
  m_margin = metrics.horizontalAdvance(QLatin1Char(' '));
  m_width = metrics.horizontalAdvance(QStringLiteral(" XXXXXXXXXXXX "));
  m_lineHeight = metrics.height();
  m_height = m_lineHeight * 3 / 2;
}

// ---- CGridCellCheck ----

void CGridCellCheck::Assign(const CGridCellBase& other) {
  CGridCell::Assign(other);
  if (auto* check = dynamic_cast<const CGridCellCheck*>(&other)) m_checked = check->m_checked;
}

bool CGridCellCheck::SetCheck(bool checked) {
  bool previous = m_checked;
  m_checked = checked;
  if (m_grid) m_grid->Refresh();
  return previous;
}

static int CheckBoxSize() { return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent); }

QRect CGridCellCheck::GetCheckPlacement(QRect cellRect) const {
  int size = std::min(CheckBoxSize(), cellRect.height());
  int top = cellRect.top() + (cellRect.height() - size) / 2;
  if (GetFormat() & DT_CENTER) return QRect(cellRect.left() + (cellRect.width() - size) / 2, top, size, size);
  return QRect(cellRect.left() + GetMargin(), top, size, size);
}

QRect CGridCellCheck::GetTextRect(QRect cellRect) const {
  QRect text = CGridCell::GetTextRect(cellRect);
  if (!(GetFormat() & DT_CENTER)) text.setLeft(GetCheckPlacement(cellRect).right() + 1 + GetMargin());
  return text;
}

bool CGridCellCheck::Draw(QPainter& painter, int row, int col, QRect rect, bool eraseBkgnd) {
  CGridCell::Draw(painter, row, col, rect, eraseBkgnd);
  DrawCheckBox(painter, rect);
  return true;
}

bool CGridCellCheck::PrintCell(QPainter& painter, int row, int col, QRect rect) {
  CGridCell::PrintCell(painter, row, col, rect);
  DrawCheckBox(painter, rect);
  return true;
}

void CGridCellCheck::DrawCheckBox(QPainter& painter, QRect cellRect) const {
  QStyleOptionButton option;
  option.rect = GetCheckPlacement(cellRect);
  option.state = QStyle::State_Enabled | (m_checked ? QStyle::State_On : QStyle::State_Off);
  if (IsReadOnly()) option.state &= ~QStyle::State_Enabled;
  QWidget* widget = m_grid ? m_grid->viewport() : nullptr;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, widget);
}

QSize CGridCellCheck::GetCellExtent() const {
  QSize extent = CGridCell::GetCellExtent();
  return QSize(extent.width() + CheckBoxSize() + 2 * GetMargin(), std::max(extent.height(), CheckBoxSize()));
}

void CGridCellCheck::OnClick(QPoint point, QRect cellRect) {
  if (!IsReadOnly() && GetCheckPlacement(cellRect).contains(point)) SetCheck(!m_checked);
}

}  // namespace orva
