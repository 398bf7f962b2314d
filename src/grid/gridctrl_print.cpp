// Printing: rows distributed over pages, the column headings (fixed rows) on
// every page, and a footer with "Page %d of %d" and the date and time.

#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrinter>

#include "grid/gridctrl.h"
#include "grid/gridprintlayout.h"

namespace orva {

namespace {
const char* const kAlphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSATUVWXYZ";
}

void CGridCtrl::Print(QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return;
  OnBeginPrinting(painter, printer);
  const int pageCount = static_cast<int>(m_print->pages.size());
  for (int page = 1; page <= pageCount; ++page) {
    if (page > 1) printer.newPage();
    OnPrint(painter, printer, page);
  }
  OnEndPrinting(painter, printer);
  painter.end();
}

int CGridCtrl::GetPrintPageCount() const { return m_print ? static_cast<int>(m_print->pages.size()) : 0; }

void CGridCtrl::OnBeginPrinting(QPainter& painter, QPrinter& printer) {
  m_print = std::make_unique<GridPrintState>();
  GridPrintState& state = *m_print;
  state.printerFont = QFont(QStringLiteral("Arial"));
  state.printerFont.setPointSize(10);
  state.printerFont.setWeight(QFont::Normal);
  QFontMetrics printerMetrics(state.printerFont, &printer);
  state.charWidth = printerMetrics.horizontalAdvance(QString::fromLatin1(kAlphabet)) / 52;
  state.cellFont = state.printerFont;
  state.cellFont.setPixelSize(std::max(1, qRound(10.0 * logicalDpiY() / 72.0)));
  state.footerFont = GetDefaultCell(false, false)->GetFontObject();
  state.footerFont.setBold(true);

  // Screen pixels map to printer units by the ratio of resolutions.
  const int screenDpi = std::max(1, logicalDpiY());
  state.scale = static_cast<double>(printer.logicalDpiY()) / screenDpi;
  QFontMetrics footerMetrics(state.footerFont, &printer);
  state.headerHeight = printerMetrics.height();
  state.footerHeight = footerMetrics.height() * 2;

  std::vector<int> heights;
  int fixedRows;
  long long fixedHeight;
  {
    Lock lock = Locked();
    fixedRows = m_store.FixedRowCount();
    fixedHeight = m_store.Rows().Start(fixedRows);
    heights.reserve(static_cast<std::size_t>(m_store.RowCount()));
    for (int r = 0; r < m_store.RowCount(); ++r) heights.push_back(m_store.Rows().Size(r));
  }
  const QRect page = painter.viewport();
  const double available = (page.height() - state.headerHeight - state.footerHeight) / state.scale - fixedHeight;
  state.pages = PaginateRows(heights, fixedRows, std::max(1, static_cast<int>(available)));
  if (state.pages.empty()) state.pages.push_back({fixedRows, fixedRows - 1});
}

void CGridCtrl::PrintColumnHeadings(QPainter& painter, QPrinter& printer) {
  Lock lock = Locked();
  for (int r = 0; r < m_store.FixedRowCount(); ++r) {
    int y = static_cast<int>(m_store.Rows().Start(r));
    for (int c = 0; c < m_store.ColumnCount(); ++c) {
      if (m_store.Columns().Size(c) == 0 || m_store.Rows().Size(r) == 0) continue;
      QRect rect(static_cast<int>(m_store.Columns().Start(c)), y, m_store.Columns().Size(c), m_store.Rows().Size(r));
      std::unique_ptr<CGridCellBase> cell = m_store.IsVirtual() ? VirtualCell(r, c) : m_store.CopyCell(r, c, this);
      cell->PrintCell(painter, r, c, rect.adjusted(0, 0, -1, -1));
      painter.setPen(Qt::black);
      painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
  }
}

void CGridCtrl::OnPrint(QPainter& painter, QPrinter& printer, int page) {
  const GridPrintState& state = *m_print;
  const PrintPageRows rows = state.pages[static_cast<std::size_t>(page - 1)];
  painter.save();
  // A left margin of two average characters of the printer font.
  painter.translate(2 * state.charWidth, state.headerHeight);
  painter.scale(state.scale, state.scale);
  painter.setFont(state.cellFont);
  PrintColumnHeadings(painter, printer);
  {
    Lock lock = Locked();
    const long long top = m_store.Rows().Start(rows.firstRow) - m_store.Rows().Start(m_store.FixedRowCount());
    for (int r = rows.firstRow; r <= rows.lastRow; ++r) {
      if (m_store.Rows().Size(r) == 0) continue;
      int y = static_cast<int>(m_store.Rows().Start(r) - top);
      for (int c = 0; c < m_store.ColumnCount(); ++c) {
        if (m_store.Columns().Size(c) == 0) continue;
        QRect rect(static_cast<int>(m_store.Columns().Start(c)), y, m_store.Columns().Size(c), m_store.Rows().Size(r));
        std::unique_ptr<CGridCellBase> cell = m_store.IsVirtual() ? VirtualCell(r, c) : m_store.CopyCell(r, c, this);
        cell->PrintCell(painter, r, c, rect.adjusted(0, 0, -1, -1));
        painter.setPen(m_gridLineColor);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
      }
    }
  }
  painter.restore();
  PrintFooter(painter, printer, page);
}

void CGridCtrl::PrintFooter(QPainter& painter, QPrinter& printer, int page) {
  const GridPrintState& state = *m_print;
  const QRect area = painter.viewport();
  const int top = area.height() - state.footerHeight;
  painter.save();
  painter.setPen(Qt::black);
  painter.drawLine(0, top, area.width(), top);
  painter.setFont(state.footerFont);
  const QRect band(0, top + state.footerHeight / 4, area.width(), state.footerHeight * 3 / 4);
  const QString pageText =
      QString::asprintf("Page %d of %d", page, static_cast<int>(state.pages.size()));
  painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, pageText);
  painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter,
                   QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat));
  painter.restore();
}

void CGridCtrl::OnEndPrinting(QPainter& painter, QPrinter& printer) {}

}  // namespace orva
