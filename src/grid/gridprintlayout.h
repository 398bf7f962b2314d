#pragma once
// Distributing grid rows over printed pages, and what a print run keeps
// between its pages.

#include <QFont>
#include <vector>

namespace orva {

struct PrintPageRows {
  int firstRow;
  int lastRow;  // inclusive
  bool operator==(const PrintPageRows&) const = default;
};

// Distributes rows firstRow.. of `heights` over pages of `pageHeight`,
// accumulating row heights; a row taller than a page gets a page of its own.
// Hidden rows (height 0) go with the page they fall on.
std::vector<PrintPageRows> PaginateRows(const std::vector<int>& heights, int firstRow, int pageHeight);

struct GridPrintState {
  QFont printerFont;
  QFont cellFont;  // the printer font sized for the screen-pixel coordinates cells are printed in
  QFont footerFont;
  int charWidth = 0;      // printer font: width of the alphabet string / 52
  double scale = 1;       // printer units per screen pixel
  int headerHeight = 0;   // band above the column headings
  int footerHeight = 0;   // band for the footer
  std::vector<PrintPageRows> pages;
};

}  // namespace orva
