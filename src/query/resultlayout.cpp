#include "query/resultlayout.h"

#include <algorithm>

namespace orva {

ResultPaneLayout ComputeResultPaneLayout(int width, int height, int gridCount) {
  ResultPaneLayout layout;
  const int upper = std::max(0, height - kResultTabHeight);
  layout.tabs = QRect(0, upper, width, height - upper);
  layout.messages = QRect(0, 0, width, upper);
  if (gridCount <= 0) return layout;
  const int slice = upper / gridCount;
  for (int i = 0; i < gridCount; ++i) {
    const int top = i == 0 ? 0 : slice * i + kResultBarHalf;
    const int bottom = i == gridCount - 1 ? upper : slice * (i + 1) - kResultBarHalf;
    layout.grids.push_back(QRect(0, top, width, std::max(0, bottom - top)));
  }
  for (int k = 0; k + 1 < gridCount; ++k) {
    const int middle = slice * (k + 1);
    layout.bars.push_back(QRect(0, middle - kResultBarHalf, width, 2 * kResultBarHalf));
  }
  return layout;
}

std::string FormatMessageEntry(std::string_view text, bool indented, std::time_t now) {
  std::string entry = "\r\n";
  if (indented) {
    entry += "    ";
  } else {
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S ", &local);
    entry += stamp;
  }
  entry.append(text);
  entry += "\r\n";
  return entry;
}

}  // namespace orva
