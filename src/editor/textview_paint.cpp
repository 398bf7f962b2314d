// Drawing: every row of the client area, each a margin cell and a text cell.

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "editor/textlayout.h"
#include "editor/textview.h"
#include "platform/codec.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"

namespace orva {

namespace {

// The margin image for a line: the position in this list of the first flag
// the line carries.
constexpr std::uint32_t kMarginImageFlags[] = {0x10000, 0x20000, 0x40000, 0x2,   0x4,     0x8,     0x10,    0x20,
                                               0x40,    0x80,    0x100,   0x200, 0x1,     0x80000, 0x100000};
constexpr int kCaretLineImage = 14;

// Lines up to this many bytes are coloured whole when drawn.
constexpr int kWholeLineColouring = 16384;

int MarginImageFor(std::uint32_t flags) {
  for (std::size_t i = 0; i < std::size(kMarginImageFlags); ++i) {
    if (flags & kMarginImageFlags[i]) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

void CTextView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const int lineHeight = LineHeightPx();
  const int width = viewport()->width();
  const int margin = MarginWidth();
  const QRect dirty = event->rect();
  const int firstRow = std::max(0, dirty.top() / lineHeight);
  const int lineCount = LineCount();
  for (int y = firstRow * lineHeight; y <= dirty.bottom(); y += lineHeight) {
    const int line = m_topLine + y / lineHeight;
    const QRect marginRect(0, y, margin, lineHeight);
    const QRect textRect(margin, y, width - margin, lineHeight);
    if (line < lineCount && m_buffer) {
      if (dirty.intersects(marginRect)) DrawMargin(painter, marginRect, line);
      if (dirty.intersects(textRect)) DrawSingleLine(painter, textRect, line);
    } else {
      painter.fillRect(QRect(0, y, width, lineHeight), GetColor(ColorBackground));
    }
  }
  if (IsCaretShown()) {
    const QPoint at = TextToClient(m_caret);
    if (at.x() >= margin) painter.fillRect(QRect(at.x(), at.y(), 2, lineHeight), GetColor(ColorNormalText));
  }
}

void CTextView::DrawMargin(QPainter& painter, const QRect& rect, int line) {
  painter.fillRect(rect, GetColor(m_selectionMargin ? ColorSelectionMargin : ColorTextBackground));
  if (!m_selectionMargin) return;
  if (!m_marginImages) {
    m_marginImages = std::make_unique<ImageList>();
    LoadImageList(IDB_EDITOR_MARGIN, 16, *m_marginImages);
  }
  const int y = rect.top() + (rect.height() - 16) / 2;
  const int image = MarginImageFor(LineFlags(line));
  if (image >= 0) m_marginImages->Draw(painter, image, rect.left() + 2, y);
  if (line == m_caret.line) m_marginImages->Draw(painter, kCaretLineImage, rect.left() + 2, y);
}

void CTextView::DrawSingleLine(QPainter& painter, const QRect& rect, int line) {
  const int charWidth = CharWidthPx();
  const std::string_view text = LineText(line);
  const int length = static_cast<int>(text.size());
  QColor specialBack, specialText;
  bool fillAfter = false;
  const bool special = GetLineColors(line, specialBack, specialText, fillAfter);
  const QColor afterText = special && fillAfter ? specialBack : GetColor(ColorBackground);

  TextPos selStart, selEnd;
  GetSelection(selStart, selEnd);
  const bool selectionShown = IsSelectionShown() && selStart != selEnd;
  const auto selected = [&](int column) {
    const TextPos pos{column, line};
    return selectionShown && selStart <= pos && pos < selEnd;
  };

  painter.save();
  painter.setClipRect(rect);
  int x = rect.left();
  if (length > 0) {
    const std::uint32_t before = CookieAfter(line - 1);
    m_spans.clear();
    // A short line is coloured whole, which also gives the cookie at its end;
    // of a long one (a single-line dump of megabytes) only the bytes the view
    // shows are coloured and drawn.
    int from = 0;
    int to = length;
    if (length <= kWholeLineColouring) {
      m_caches.StoreCookie(line, ColorLine(before, line, &m_spans));
    } else {
      const int firstColumn = std::max(0, m_offsetChar - 1);
      from = SnapColumnLeft(text, std::max(0, ByteAtDisplayColumn(text, firstColumn, m_tabSize) - 1));
      to = SnapColumnRight(text, ByteAtDisplayColumn(text, m_offsetChar + ScreenChars() + 2, m_tabSize));
      if (from < to) ColorLinePart(before, line, from, to, m_spans);
    }

    // Runs: bytes before the first span in normal text, then each span up to
    // the next; each run split where the selection starts and ends.
    std::vector<int> cuts{from};
    std::vector<int> colours{ColorNormalText};
    for (const ColorSpan& span : m_spans) {
      const int start = std::clamp(span.start, from, to);
      if (start == cuts.back()) {
        colours.back() = span.color;
      } else if (start > cuts.back() && start < to) {
        cuts.push_back(start);
        colours.push_back(span.color);
      }
    }
    cuts.push_back(to);
    const int selFrom = selectionShown && selStart.line <= line && line <= selEnd.line
                            ? (selStart.line == line ? selStart.column : 0)
                            : -1;
    const int selTo = selFrom < 0 ? -1 : (selEnd.line == line ? selEnd.column : length + 1);

    const ViewGeometry geometry{charWidth, LineHeightPx(), MarginWidth(), m_topLine, m_offsetChar};
    int column = DisplayColumnOf(text, from, m_tabSize);  // display column of the current piece
    for (std::size_t run = 0; run + 1 < cuts.size(); ++run) {
      std::vector<int> pieces{cuts[run]};
      for (int edge : {selFrom, selTo}) {
        if (edge > pieces.back() && edge < cuts[run + 1]) pieces.push_back(edge);
      }
      pieces.push_back(cuts[run + 1]);
      const int colour = colours[run];
      for (std::size_t p = 0; p + 1 < pieces.size(); ++p) {
        const std::string_view bytes = text.substr(pieces[p], pieces[p + 1] - pieces[p]);
        const int endColumn = AdvanceColumns(bytes, column, m_tabSize);
        const int x0 = geometry.XForColumn(column);
        const int x1 = geometry.XForColumn(endColumn);
        if (x1 > rect.left() && x0 < rect.right() + 1) {
          const bool inSelection = selected(pieces[p]);
          const QColor back = inSelection ? GetColor(ColorSelectionBackground)
                                          : (special ? specialBack : GetColor(ColorTextBackground));
          const QColor fore = inSelection ? GetColor(ColorSelectedText) : (special ? specialText : GetColor(colour));
          painter.fillRect(QRect(x0, rect.top(), x1 - x0, rect.height()), back);
          painter.setFont(FontFor(GetBold(colour), GetItalic(colour)));
          painter.setPen(fore);
          DrawRunText(painter, bytes, column, x0, rect.top());
        }
        column = endColumn;
      }
    }
    x = std::max(rect.left(), geometry.XForColumn(column));
  }
  // The line break: one character cell when selected, then the rest of the row.
  if (selected(length)) {
    painter.fillRect(QRect(x, rect.top(), charWidth, rect.height()), GetColor(ColorSelectionBackground));
    x += charWidth;
  }
  if (x <= rect.right()) painter.fillRect(QRect(x, rect.top(), rect.right() - x + 1, rect.height()), afterText);
  painter.restore();
}

// Draws the bytes of one run from display column `displayColumn` at x. ASCII
// stretches are drawn as one string; each double-byte character is placed at
// its own column so that the text stays on the character grid whatever width
// the font gives to Chinese glyphs.
void CTextView::DrawRunText(QPainter& painter, std::string_view bytes, int displayColumn, int x, int top) {
  const std::string shown = ExpandTabs(bytes, displayColumn, m_tabSize, m_viewTabs);
  const int charWidth = CharWidthPx();
  const int baseline = top + QFontMetrics(painter.font()).ascent();
  const int left = MarginWidth() - 4 * charWidth;
  const int right = viewport()->width();
  const int size = static_cast<int>(shown.size());
  int i = 0;
  // Skip what lies left of the visible area.
  while (i < size && x + charWidth * 4 < left) {
    const int step = std::max<int>(1, static_cast<int>(CharLengthAt(shown, i)));
    x += charWidth * step;
    i += step;
  }
  while (i < size && x < right) {
    const auto byte = static_cast<unsigned char>(shown[static_cast<std::size_t>(i)]);
    if (byte < 0x80) {
      int end = i;
      while (end < size && static_cast<unsigned char>(shown[static_cast<std::size_t>(end)]) < 0x80 &&
             x + (end - i) * charWidth < right) {
        ++end;
      }
      painter.drawText(x, baseline, QString::fromLatin1(shown.data() + i, end - i));
      x += (end - i) * charWidth;
      i = end;
    } else {
      const int step = std::max<int>(1, static_cast<int>(CharLengthAt(shown, i)));
      painter.drawText(x, baseline, QStringFromGbk(std::string_view(shown).substr(i, step)));
      x += charWidth * step;
      i += step;
    }
  }
}

}  // namespace orva
