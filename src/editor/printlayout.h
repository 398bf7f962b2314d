#pragma once
// Page layout of a printed text: the print rectangle inside the page margins,
// the header and footer bands, and the division of the lines into pages.

#include <functional>
#include <vector>

namespace orva {

// Margins in hundredths of a millimetre, as remembered in the settings.
struct PageMargins {
  int left = 1000;
  int top = 1000;
  int right = 1000;
  int bottom = 1000;
};

// Reads and writes the "PageSetup" section.
PageMargins LoadPageMargins();
void SavePageMargins(const PageMargins& margins);

// Hundredths of a millimetre to device units at `dotsPerInch`.
int MarginToDevice(int hundredthsMm, int dotsPerInch);

struct PrintLayout {
  // The page reduced by the margins.
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  // Where the lines go: 1.5 line heights below the top when there is a header,
  // 1.5 line heights above the bottom when there is a footer.
  int textTop = 0;
  int textBottom = 0;
  int lineHeight = 1;

  int Width() const { return right - left; }
  int BandHeight() const { return (lineHeight * 3 + 1) / 2; }
};

// Page size and margins in device units.
PrintLayout ComputePrintLayout(int pageWidth, int pageHeight, int marginLeft, int marginTop, int marginRight,
                               int marginBottom, int lineHeight, bool header, bool footer);

// Where a page starts: a line, and the first of its wrapped rows printed there
// (0 unless a line taller than a page continues from the page before).
struct PageStart {
  int line = 0;
  int row = 0;
  friend bool operator==(const PageStart&, const PageStart&) = default;
};

// Whole rows of one line height that fit between the text area's top and bottom.
int RowsPerPage(const PrintLayout& layout);

// The start of every page: page 1 starts at line 0; a line whose rows would
// run below the text area's bottom starts a new page, and a line taller than
// a page continues on as many following pages as it needs. `rowsOf` gives the
// number of wrapped rows of a line (at least 1).
std::vector<PageStart> PaginateLines(int lineCount, const std::function<int(int)>& rowsOf, const PrintLayout& layout);

}  // namespace orva
