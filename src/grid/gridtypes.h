#pragma once
// Plain types shared by the grid's cell store, its cells and its window:
// cell state bits, text format flags, cell positions and ranges, and the
// records the grid sends to its owner.

#include <QColor>
#include <QFont>
#include <cstdint>
#include <optional>
#include <string>

class QWidget;

namespace orva {

// Cell state bits.
enum GridCellState : std::uint32_t {
  GVIS_FOCUSED = 0x01,
  GVIS_SELECTED = 0x02,
  GVIS_DROPHILITED = 0x04,
  GVIS_READONLY = 0x08,
  GVIS_FIXED = 0x10,
  GVIS_FIXEDROW = 0x20,
  GVIS_FIXEDCOL = 0x40,
  GVIS_MODIFIED = 0x80,
};

// Text format flags (the classic DrawText bits).
enum GridTextFormat : int {
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8,
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_NOPREFIX = 0x800,
  DT_END_ELLIPSIS = 0x8000,
};

// Notification codes sent to the grid's owner.
enum GridNotifyCode : int {
  NM_CLICK = -2,
  NM_DBLCLK = -3,
  NM_RCLICK = -5,
  GVN_SELCHANGING = -100,
  GVN_SELCHANGED = -101,
  GVN_BEGINLABELEDIT = -105,
  GVN_ENDLABELEDIT = -106,
  GVN_BEGINDRAG = -109,
  GVN_GETDISPINFO = -150,
};

// Mask bits of a GridItem: which fields are meaningful.
enum GridItemMask : unsigned {
  GVIF_TEXT = 0x1,
  GVIF_IMAGE = 0x2,
  GVIF_PARAM = 0x4,
  GVIF_STATE = 0x8,
  GVIF_BKCLR = 0x10,
  GVIF_FGCLR = 0x20,
  GVIF_FORMAT = 0x40,
  GVIF_FONT = 0x80,
  GVIF_MARGIN = 0x100,
  GVIF_ALL = 0x1FF,
};

// AutoSize styles.
enum GridAutoSizeStyle : int {
  GVS_DEFAULT = 0,
  GVS_HEADER = 1,  // the fixed rows
  GVS_DATA = 2,    // the other rows
  GVS_BOTH = 3,
};

struct CellId {
  int row = -1;
  int col = -1;
  bool IsValid() const { return row >= 0 && col >= 0; }
  bool operator==(const CellId&) const = default;
};

// An inclusive rectangle of cells; invalid when any bound is negative.
struct CellRange {
  int minRow = -1;
  int minCol = -1;
  int maxRow = -1;
  int maxCol = -1;
  bool IsValid() const { return minRow >= 0 && minCol >= 0 && maxRow >= minRow && maxCol >= minCol; }
  bool Contains(int row, int col) const {
    return IsValid() && row >= minRow && row <= maxRow && col >= minCol && col <= maxCol;
  }
  bool operator==(const CellRange&) const = default;
};

// The standard notification header: which control sent it, and the code.
struct NotifyHeader {
  QWidget* from = nullptr;
  int idFrom = 0;
  int code = 0;
};

struct GridNotify {
  NotifyHeader hdr;
  int row = -1;
  int column = -1;
};

// One cell's properties as exchanged with the owner (virtual mode) and sent
// by the in-place editor when an edit ends. An unset colour is invalid and an
// unset font is empty: both are then taken from the default cell.
struct GridItem {
  int row = -1;
  int col = -1;
  unsigned mask = 0;
  std::uint32_t state = 0;
  int format = -1;
  int image = -1;
  QColor bkColor;
  QColor fgColor;
  std::uint32_t data = 0;
  std::optional<QFont> font;
  int margin = -1;
  std::string text;
};

struct GridCellInfo {
  NotifyHeader hdr;
  GridItem item;
  int endKey = 0;  // the key that ended an edit (Qt key code; 0 = focus lost)
};

// The owner of a grid (or of an in-place editor) answers its notifications.
// A negative answer refuses a begin-edit or end-edit.
class IGridOwner {
 public:
  virtual ~IGridOwner() = default;
  virtual long OnGridNotify(GridNotify& notify) { return 0; }
  virtual long OnGridCellInfo(GridCellInfo& info) { return 0; }
};

}  // namespace orva
