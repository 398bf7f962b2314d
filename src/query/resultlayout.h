#pragma once
// Where the result pane puts its children: the tab strip along the bottom, the
// message log above it, and the result grids stacked in the same upper area
// with 4-pixel bars between neighbours.

#include <QRect>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

inline constexpr int kResultTabHeight = 25;
inline constexpr int kResultBarHalf = 2;

struct ResultPaneLayout {
  QRect tabs;
  QRect messages;
  std::vector<QRect> grids;
  std::vector<QRect> bars;  // bar k lies between grid k and grid k + 1
};

ResultPaneLayout ComputeResultPaneLayout(int width, int height, int gridCount);

// One message-log entry: CR LF, then "%H:%M:%S " of the local time (or four
// spaces when indented), the text and CR LF. GBK in, GBK out.
std::string FormatMessageEntry(std::string_view text, bool indented, std::time_t now);

}  // namespace orva
