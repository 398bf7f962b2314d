#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <random>

#include "grid/autosize.h"
#include "grid/gridstore.h"
#include "grid/rowblock.h"
#include "platform/qtext.h"

namespace orva {
namespace {

// Every ASCII character is 1 wide except 'W' (3); a non-ASCII character is
// at most 4 wide. Measuring counts its calls and lets "AV" kern by one.
struct FakeMetrics {
  TextMetrics metrics;
  int calls = 0;
  FakeMetrics() {
    metrics.asciiAdvance.fill(1);
    metrics.asciiAdvance['W'] = 3;
    metrics.wideCharBound = 4;
    metrics.lineHeight = 10;
    metrics.measure = [this](std::string_view text) {
      ++calls;
      double width = 0;
      for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
          width += 2;
          ++i;
        } else {
          width += c == 'W' ? 3 : 1;
        }
        if (i > 0 && text[i - 1] == 'A' && text[i] == 'V') width -= 1;
      }
      return width;
    };
  }
};

TEST(WidestTextFinder, MeasuresOnlyTextsWhoseBoundBeatsTheWidest) {
  FakeMetrics fake;
  WidestTextFinder finder(fake.metrics);
  for (int i = 0; i < 1000; ++i) finder.Add("12345678");  // all equally wide: one measurement
  EXPECT_EQ(fake.calls, 1);
  finder.Add("1234");  // bound below the widest
  EXPECT_EQ(fake.calls, 1);
  finder.Add("WWW");  // bound 9 > 8: measured
  EXPECT_EQ(fake.calls, 2);
  EXPECT_EQ(finder.Widest(), 9);
  // Each double-byte character is measured once on first sight; texts of
  // them are then bounded by the sum of their advances.
  finder.Add("\xD6\xD0\xCE\xC4");  // two characters measured, bound 4: the text is skipped
  EXPECT_EQ(fake.calls, 4);
  finder.Add("\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4\xD6\xD0");  // bound 10 > 9: measured, no new character
  EXPECT_EQ(fake.calls, 5);
  EXPECT_EQ(finder.Widest(), 10);
  // Kerning makes the bound exceed the real width, never hides a wider text.
  finder.Add("AVAVAVAVAV");  // bound 10, real 5
  finder.Add("12345678901");  // bound 11, real 11
  EXPECT_EQ(finder.Widest(), 11);
}

TEST(WidestTextFinder, AgreesWithMeasuringEveryTextWithARealFont) {
  QFont font = QApplication::font();
  QFontMetricsF fm(font);
  TextMetrics metrics;
  for (int c = 0x20; c < 128; ++c) metrics.asciiAdvance[static_cast<std::size_t>(c)] = fm.horizontalAdvance(QChar(c));
  metrics.wideCharBound = std::max(fm.maxWidth(), fm.height()) + 1;
  metrics.measure = [&](std::string_view text) { return fm.horizontalAdvance(QStringFromGbk(text)); };

  std::mt19937 random(7);
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,-_WMil";
  std::vector<std::string> texts;
  for (int i = 0; i < 2000; ++i) {
    std::string text;
    int length = static_cast<int>(random() % 20);
    for (int k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
    if (i % 50 == 0) text += "\xD6\xD0\xCE\xC4";  // some GBK text too
    texts.push_back(text);
  }
  WidestTextFinder finder(metrics);
  double exhaustive = 0;
  for (const std::string& text : texts) {
    finder.Add(text);
    exhaustive = std::max(exhaustive, metrics.measure(text));
  }
  EXPECT_DOUBLE_EQ(finder.Widest(), exhaustive);
  EXPECT_LT(finder.MeasureCount(), 200);
}

// A full cell reports its own extent.
class FixedExtentCell : public CGridCell {
 public:
  QSize GetCellExtent() const override { return {123, 45}; }
};

// Every cell kind measured with the fake metrics; fixed-row cells (kind 2)
// get their own margin.
std::array<CellKindMetrics, 4> FakeKinds(const FakeMetrics& fake, int margin, int fixedRowMargin) {
  std::array<CellKindMetrics, 4> kinds;
  for (auto& kind : kinds) {
    kind.text = fake.metrics;
    kind.margin = margin;
  }
  kinds[2].margin = fixedRowMargin;
  return kinds;
}

TEST(ComputeAutoSize, SizesVisibleColumnsAndConsideredRows) {
  FakeMetrics fake;
  const auto kinds = FakeKinds(fake, 2, 5);  // fixed-row cells have wider margins
  GridStore store;
  store.SetRowCount(4, 1);
  store.SetColumnCount(3, 1);
  store.SetFixedRowCount(1);
  store.SetText(0, 0, "HEAD");
  store.SetText(1, 0, "123456");
  store.SetText(2, 0, "WW");
  store.SetText(1, 1, "x");
  store.SetColumnWidth(2, 0);  // hidden: left alone
  store.SetRowHeight(3, 0);    // hidden row: not given a height
  store.ReplaceCell(2, 1, std::make_unique<FixedExtentCell>());

  AutoSizeResult both = ComputeAutoSize(store, 0, kinds);
  // Column 0: the heading "HEAD" with its wide margins beats "123456" and "WW".
  EXPECT_EQ(both.columnWidths, (std::vector<int>{14, 123, -1}));
  EXPECT_EQ(both.rowHeights, (std::vector<int>{20, 14, 45, -1}));

  AutoSizeResult header = ComputeAutoSize(store, GVS_HEADER, kinds);
  EXPECT_EQ(header.columnWidths[0], 14);
  EXPECT_EQ(header.rowHeights, (std::vector<int>{20, -1, -1, -1}));
}

// Taken in slices (as a worker does, letting go of the grid's lock between
// them) the rows give the same sizes as all at once; rows added after the
// last slice are left as they are.
TEST(ComputeAutoSize, SlicesGiveTheSameSizesAsOnePass) {
  FakeMetrics fake;
  const auto kinds = FakeKinds(fake, 1, 3);
  GridStore store;
  store.SetRowCount(1000, 1);
  store.SetColumnCount(4, 1);
  store.SetFixedRowCount(2);
  store.SetFixedColumnCount(1);
  std::mt19937 random(7);
  for (int r = 0; r < store.RowCount(); ++r)
    for (int c = 0; c < store.ColumnCount(); ++c)
      store.SetText(r, c, std::string(random() % 20, "aWV\xB0"[random() % 3]) + (r == 998 ? "WWWWWWWWWWWWWWWWWWWWWWWW" : ""));
  store.ReplaceCell(500, 2, std::make_unique<FixedExtentCell>());

  for (int style : {0, static_cast<int>(GVS_HEADER), static_cast<int>(GVS_DATA)}) {
    const AutoSizeResult whole = ComputeAutoSize(store, style, kinds);
    AutoSizer sizer(style, kinds);
    for (int first = 0; first < store.RowCount(); first += 7) sizer.AddRows(store, first, first + 7);
    const AutoSizeResult sliced = sizer.Result(store);
    EXPECT_EQ(sliced.columnWidths, whole.columnWidths) << "style " << style;
    EXPECT_EQ(sliced.rowHeights, whole.rowHeights) << "style " << style;
  }
  // The full cell counts in whichever slice holds it.
  EXPECT_GE(ComputeAutoSize(store, GVS_DATA, kinds).columnWidths[2], 123);

  AutoSizer early(0, kinds);
  early.AddRows(store, 0, 500);
  store.InsertRow(store.RowCount(), 1);
  store.InsertColumn(store.ColumnCount(), 1);
  const AutoSizeResult partial = early.Result(store);
  ASSERT_EQ(partial.rowHeights.size(), 1001u);
  EXPECT_GE(partial.rowHeights[499], 10);
  EXPECT_EQ(partial.rowHeights[500], -1);
  EXPECT_EQ(partial.rowHeights[1000], -1);
  ASSERT_EQ(partial.columnWidths.size(), 5u);
  EXPECT_EQ(partial.columnWidths[4], -1);
}

}  // namespace
}  // namespace orva

namespace orva {
namespace {

// Blocks of appended rows measured as they arrive (off the store) give the
// sizes a pass over the store gives, sampling past the exact rows included;
// the texts land in the store exactly, short ones and long ones alike.
TEST(ComputeAutoSize, BlocksMeasuredAsTheyArriveMatchAPassOverTheStore) {
  FakeMetrics fake;
  const auto kinds = FakeKinds(fake, 1, 3);
  GridStore store;
  store.SetRowCount(1, 1);
  store.SetColumnCount(3, 1);
  store.SetFixedRowCount(1);
  store.SetFixedColumnCount(1);
  store.SetText(0, 1, "HEADING");
  AutoSizer arriving(0, kinds);
  arriving.SampleAfter(300);
  arriving.AddRows(store, 0, 1);
  std::mt19937 random(11);
  std::vector<std::string> texts;
  for (int first = 1; first < 1000; first += 100) {
    RowBlock block(3);
    for (int r = first; r < first + 100; ++r)
      for (int c = 0; c < 3; ++c) {
        // Up to 40 bytes: both sides of what a cell keeps in its own bytes.
        std::string text(random() % 40, "aWV\xB0"[random() % 3]);
        if (r == 777 && c == 2) text = std::string(60, 'W');
        texts.push_back(text);
        block.AddCell(text);
      }
    ASSERT_EQ(store.AppendRows(block, 1), first);
    arriving.AddBlock(block, first, store.FixedRowCount(), store.FixedColumnCount());
  }
  for (int r = 1; r < 1000; ++r)
    for (int c = 0; c < 3; ++c) ASSERT_EQ(store.Text(r, c), texts[static_cast<std::size_t>((r - 1) * 3 + c)]);

  AutoSizer pass(0, kinds);
  pass.SampleAfter(300);
  pass.AddRows(store, 0, store.RowCount());
  const AutoSizeResult expected = pass.Result(store);
  const AutoSizeResult found = arriving.Result(store);
  EXPECT_EQ(found.columnWidths, expected.columnWidths);
  EXPECT_EQ(found.rowHeights, expected.rowHeights);
  EXPECT_EQ(found.columnWidths[2], 60 * 3 + 2);  // the 60 W of row 777 and the margins
}

}  // namespace
}  // namespace orva
