#pragma once
// A text view on a buffer filled with given lines, for the view tests.

#include <QApplication>
#include <QTest>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/sqlcolouring.h"
#include "editor/textbuffer.h"
#include "editor/textview.h"

namespace orva::test {

// A view coloured as SQL that counts how many lines it coloured.
class CountingSqlView : public CTextView {
 public:
  using CTextView::CTextView;
  std::uint32_t ColorLine(std::uint32_t cookie, int line, std::vector<ColorSpan>* spans) override {
    ++colourCalls;
    if (spans) drawnWithCookie[line] = cookie;
    return orva::ColorLine(cookie, LineText(line), spans);
  }
  void ColorLinePart(std::uint32_t cookie, int line, int from, int to, std::vector<ColorSpan>& spans) override {
    ++colourCalls;
    orva::ColorLinePart(cookie, LineText(line), static_cast<std::size_t>(from), static_cast<std::size_t>(to), spans,
                        &ColourResumePoints(line));
  }
  bool ColorLineCookieSlice(std::uint32_t cookie, int line, orva::ColourResumePoint& progress, std::size_t budget,
                            std::uint32_t& endCookie) override {
    ++cookieSlices;
    return orva::ColorLineCookieSlice(cookie, LineText(line), progress, budget, endCookie);
  }
  int colourCalls = 0;
  int cookieSlices = 0;
  std::map<int, std::uint32_t> drawnWithCookie;  // line -> cookie it was last drawn with
};

inline std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) text += "\r\n";
    text += lines[i];
  }
  return text;
}

inline void FillBuffer(CTextBuffer& buffer, const std::vector<std::string>& lines) {
  buffer.CreateEmpty();
  int endLine = 0, endColumn = 0;
  buffer.InsertAt(nullptr, 0, 0, JoinLines(lines), endLine, endColumn);
}

template <typename View = CTextView>
std::unique_ptr<View> MakeView(CTextBuffer& buffer, QSize size = QSize(400, 300)) {
  auto view = std::make_unique<View>();
  view->resize(size);
  view->AttachToBuffer(&buffer);
  view->show();
  return view;
}

// The viewport point over the left edge of a display column of a line.
inline QPoint PointAt(CTextView& view, int line, int displayColumn, int dx = 0) {
  const int x = view.MarginWidth() + (displayColumn - view.OffsetChar()) * view.CharWidthPx() + dx;
  const int y = (line - view.TopLine()) * view.LineHeightPx() + view.LineHeightPx() / 2;
  return {x, y};
}

inline void Click(CTextView& view, QPoint point, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, point);
}

inline void Key(CTextView& view, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(&view, key, modifiers);
}

}  // namespace orva::test
