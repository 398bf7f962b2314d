// Page setup and printing: half-size font, word-wrapped lines, header and
// footer bands.

#include <QFontMetrics>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QTextLayout>
#include <climits>

#include "editor/textview.h"
#include "platform/messagebox.h"
#include "platform/qtext.h"

namespace orva {

// ---- the printing steps ----

bool CTextView::OnPrepareDC(int page) { return page >= 1 && page <= static_cast<int>(m_pageStarts.size()); }

bool CTextView::OnPreparePrinting(QPrinter& printer) { return m_buffer != nullptr; }

void CTextView::OnBeginPrinting(QPainter& painter, QPrinter& printer) {
  // Printed text is half the on-screen size.
  m_printerFont = std::make_unique<QFont>(m_fontDescription, &printer);
  if (m_fontDescription.pointSizeF() > 0) {
    m_printerFont->setPointSizeF(m_fontDescription.pointSizeF() / 2);
  } else {
    const int screenDpi = std::max(1, logicalDpiY());
    m_printerFont->setPixelSize(
        std::max(1, m_fontDescription.pixelSize() * printer.resolution() / (2 * screenDpi)));
  }
  painter.setFont(*m_printerFont);
  const QFontMetrics metrics(*m_printerFont, &printer);
  // The painter works in paper coordinates (full page), so the remembered
  // margins are measured from the paper's edges.
  const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
  const PageMargins margins = LoadPageMargins();
  const int dpiX = printer.logicalDpiX();
  const int dpiY = printer.logicalDpiY();
  m_printLayout = ComputePrintLayout(static_cast<int>(paper.width()), static_cast<int>(paper.height()),
                                     MarginToDevice(margins.left, dpiX), MarginToDevice(margins.top, dpiY),
                                     MarginToDevice(margins.right, dpiX), MarginToDevice(margins.bottom, dpiY),
                                     metrics.height(), m_printHeader, m_printFooter);
  m_printer = &printer;
  m_pageStarts = PaginateLines(
      LineCount(), [&](int line) { return PrintedLine(line).lineCount(); }, m_printLayout);
  m_lastPageCount = static_cast<int>(m_pageStarts.size());
}

// A line laid out in wrapped rows across the print width, tabs expanded,
// broken between words or, for a word wider than the page, anywhere. The last
// line laid out is kept: a long line is printed over several pages.
const QTextLayout& CTextView::PrintedLine(int line) {
  if (m_printedLine && m_printedLineIndex == line) return *m_printedLine;
  m_printedLine = std::make_unique<QTextLayout>(QStringFromGbk(LineText(line)), *m_printerFont, m_printer);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  option.setTabStopDistance(QFontMetricsF(*m_printerFont, m_printer).horizontalAdvance(QLatin1Char(' ')) * m_tabSize);
  m_printedLine->setTextOption(option);
  m_printedLine->beginLayout();
  for (QTextLine row = m_printedLine->createLine(); row.isValid(); row = m_printedLine->createLine())
    row.setLineWidth(m_printLayout.Width());
  m_printedLine->endLayout();
  m_printedLineIndex = line;
  return *m_printedLine;
}

void CTextView::OnPrint(QPainter& painter, int page) {
  const int pageCount = static_cast<int>(m_pageStarts.size());
  if (m_printHeader) DrawPrintHeader(painter, page);
  if (m_printFooter) DrawPrintFooter(painter, page);
  painter.setFont(*m_printerFont);
  painter.setPen(Qt::black);
  const PageStart first = m_pageStarts[static_cast<std::size_t>(page - 1)];
  const PageStart end = page < pageCount ? m_pageStarts[static_cast<std::size_t>(page)] : PageStart{LineCount(), 0};
  // Row by row, one printer line height apart, from the page's first row up
  // to the next page's first.
  int y = m_printLayout.textTop;
  for (int line = first.line; line < end.line || (line == end.line && end.row > 0); ++line) {
    const QTextLayout& layout = PrintedLine(line);
    const int last = line == end.line ? end.row : layout.lineCount();
    for (int row = line == first.line ? first.row : 0; row < last; ++row) {
      const QTextLine text = layout.lineAt(row);
      text.draw(&painter, QPointF(m_printLayout.left, y - text.y()));
      y += m_printLayout.lineHeight;
    }
    if (layout.lineCount() == 0) y += m_printLayout.lineHeight;
  }
}

void CTextView::OnEndPrinting() {
  m_printedLine.reset();
  m_printedLineIndex = -1;
  m_printer = nullptr;
  m_printerFont.reset();
  m_pageStarts.clear();
}

void CTextView::DrawPrintHeader(QPainter& painter, int page) {
  const QString text = HeaderText(page);
  if (text.isEmpty()) return;
  painter.setFont(*m_printerFont);
  painter.drawText(QRect(m_printLayout.left, m_printLayout.top, m_printLayout.Width(), m_printLayout.lineHeight),
                   Qt::AlignHCenter | Qt::AlignTop, text);
}

void CTextView::DrawPrintFooter(QPainter& painter, int page) {
  const QString text = FooterText(page, static_cast<int>(m_pageStarts.size()));
  if (text.isEmpty()) return;
  painter.setFont(*m_printerFont);
  painter.drawText(QRect(m_printLayout.left, m_printLayout.bottom - m_printLayout.lineHeight, m_printLayout.Width(),
                         m_printLayout.lineHeight),
                   Qt::AlignHCenter | Qt::AlignBottom, text);
}

QString CTextView::HeaderText(int) const { return {}; }

QString CTextView::FooterText(int page, int pageCount) const {
  return QStringLiteral("Page %1/%2").arg(page).arg(pageCount);
}

bool CTextView::PrintDocument(QPrinter& printer) {
  if (!OnPreparePrinting(printer)) return false;
  printer.setFullPage(true);
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  OnBeginPrinting(painter, printer);
  int from = printer.fromPage() > 0 ? printer.fromPage() : 1;
  const int to = printer.toPage() > 0 ? printer.toPage() : INT_MAX;
  for (int page = from; page <= to && OnPrepareDC(page); ++page) {
    if (page > from) printer.newPage();
    OnPrint(painter, page);
  }
  painter.end();
  OnEndPrinting();
  return true;
}

// ---- commands ----

void CTextView::RunPageSetup() {
  QPrinter printer(QPrinter::HighResolution);
  const PageMargins margins = LoadPageMargins();
  QPageLayout layout = printer.pageLayout();
  layout.setUnits(QPageLayout::Millimeter);
  layout.setMargins(QMarginsF(margins.left / 100.0, margins.top / 100.0, margins.right / 100.0, margins.bottom / 100.0));
  printer.setPageLayout(layout);
  QPageSetupDialog dialog(&printer, this);
  if (ExecDialog(dialog) != QDialog::Accepted) return;
  const QMarginsF chosen = printer.pageLayout().margins(QPageLayout::Millimeter);
  SavePageMargins({static_cast<int>(chosen.left() * 100 + 0.5), static_cast<int>(chosen.top() * 100 + 0.5),
                   static_cast<int>(chosen.right() * 100 + 0.5), static_cast<int>(chosen.bottom() * 100 + 0.5)});
}

void CTextView::RunPrint(bool direct, bool preview) {
  if (!m_buffer) return;
  QPrinter printer(QPrinter::HighResolution);
  if (preview) {
    QPrintPreviewDialog dialog(&printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) { PrintDocument(*target); });
    ExecDialog(dialog);
    return;
  }
  if (!direct) {
    QPrintDialog dialog(&printer, this);
    if (ExecDialog(dialog) != QDialog::Accepted) return;
  }
  PrintDocument(printer);
}

}  // namespace orva
