#include "query/queryview.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QScreen>
#include <cmath>
#include <cstdlib>

#include "editor/sqlcolouring.h"
#include "platform/fontsettings.h"
#include "platform/imagelist.h"
#include "platform/profile.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"
#include "query/querydoc.h"

namespace orva {

namespace {

constexpr const char* kSettingSection = "Setting";

// The items of the editor context menu, with their tool bar image (-1: none).
struct ContextItem {
  int id;
  const char* text;
  int image;
};
constexpr ContextItem kContextItems[] = {
    {ID_EDIT_UNDO, "取消(&U)\tCtrl+Z", 10},  {ID_EDIT_REDO, "重做(&R)\tCtrl+Y", 11},
    {ID_EDIT_CUT, "剪切(&T)\tCtrl+X", 7},    {ID_EDIT_COPY, "复制(&C)\tCtrl+C", 8},
    {ID_EDIT_PASTE, "粘贴(&P)\tCtrl+V", 9},  {ID_EDIT_DELETE, "删除(&D)\tDel", -1},
    {ID_EDIT_SELECT_ALL, "全选(&A)", -1},
};

// The leading decimal digits of a text, as the settings store them; 0 when
// there are none.
int LeadingNumber(const std::string& text) { return static_cast<int>(std::strtol(text.c_str(), nullptr, 10)); }

}  // namespace

QFont EditorFontFromSettings(int dpiY) {
  const QString face = QStringFromGbk(GetProfileText(kSettingSection, "FontFamilies", "Fixedsys"));
  const std::string style = GetProfileText(kSettingSection, "FontStyle", GbkFromQString(QStringLiteral("常规")));
  const int points = LeadingNumber(GetProfileText(kSettingSection, "FontSize", "12"));

  QFont font = QFontDatabase::families().contains(face, Qt::CaseInsensitive)
                   ? QFont(face)
                   : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  return MakeChosenFont(font, style, points, dpiY);
}

CQueryView::CQueryView(CQueryDoc* document, QWidget* parent) : CTextEditView(parent), m_document(document) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

CQueryView::~CQueryView() = default;

CTextBuffer* CQueryView::GetTextBuffer() { return m_document ? &m_document->Buffer() : nullptr; }

void CQueryView::OnInitialUpdate() {
  CTextEditView::OnInitialUpdate();
  ApplyEditorFont();
  // A font chosen in the options applies to open editors at once.
  QObject::connect(&FontSettingsNotifier::Instance(), &FontSettingsNotifier::Changed, this, [this](int area) {
    if (area == static_cast<int>(FontArea::Editor)) ApplyEditorFont();
  });
}

void CQueryView::ApplyEditorFont() {
  const QScreen* screen = this->screen();
  SetTextFont(EditorFontFromSettings(screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96));
}

std::uint32_t CQueryView::ColorLine(std::uint32_t cookie, int line, std::vector<ColorSpan>* spans) {
  return orva::ColorLine(cookie, LineText(line), spans);
}

std::string_view LineEndOf(int eolMode) {
  switch (eolMode) {
    case EolLf: return "\n";
    case EolLfCr: return "\n\r";
    default: return "\r\n";
  }
}

std::string_view CQueryView::LineEnd() const { return LineEndOf(Buffer() ? Buffer()->EolMode() : EolCrLf); }

void CQueryView::ColorLinePart(std::uint32_t cookie, int line, int from, int to, std::vector<ColorSpan>& spans) {
  orva::ColorLinePart(cookie, LineText(line), static_cast<std::size_t>(from), static_cast<std::size_t>(to), spans,
                      &ColourResumePoints(line));
}

bool CQueryView::ColorLineCookieSlice(std::uint32_t cookie, int line, ColourResumePoint& progress, std::size_t budget,
                                      std::uint32_t& endCookie) {
  return orva::ColorLineCookieSlice(cookie, LineText(line), progress, budget, endCookie);
}

std::string CQueryView::GetSelectedText() const {
  TextPos start, end;
  GetSelection(start, end);
  std::string text;
  if (Buffer() && start < end) Buffer()->CopyRange(start.line, start.column, end.line, end.column, text, LineEnd());
  return text;
}

std::string CQueryView::GetAllText() const {
  std::string text;
  const std::string_view eol = LineEnd();
  const int count = LineCount();
  for (int line = 0; line < count; ++line) {
    if (line > 0) text += eol;
    text += LineText(line);
  }
  return text;
}

void CQueryView::InsertText(std::string_view text) {
  if (!IsEditable()) return;
  const TextPos start = CaretPos();
  TextPos end = start;
  if (!InsertAsStep(start, text, UndoReplace, end)) return;
  SelectRange(start, end);
  EnsureVisible(end);
}

QMenu* CQueryView::BuildContextMenu() {
  auto* menu = new QMenu(QStringLiteral("编辑器"), window());
  menu->setAttribute(Qt::WA_DeleteOnClose);
  ImageList images;
  LoadImageList(IDR_TOOLBAR_MAIN, 16, images);
  QPointer<CQueryView> view(this);
  for (const ContextItem& item : kContextItems) {
    QAction* action = menu->addAction(QString::fromUtf8(item.text));
    action->setData(item.id);
    if (item.image >= 0) action->setIcon(images.Icon(item.image));
    CmdUI ui(item.id);
    if (OnUpdateCommand(item.id, ui)) action->setEnabled(ui.IsEnabled());
    if (ui.Text()) action->setText(*ui.Text());
    const int id = item.id;
    QObject::connect(action, &QAction::triggered, menu, [view, id] {
      if (view) view->OnCommand(id);
    });
  }
  return menu;
}

void CQueryView::contextMenuEvent(QContextMenuEvent* event) {
  BuildContextMenu()->popup(event->globalPos());
  event->accept();
}

bool CQueryView::OnCommand(int id) {
  if (CTextEditView::OnCommand(id)) return true;
  return m_document && m_document->OnCommand(id);
}

bool CQueryView::OnUpdateCommand(int id, CmdUI& ui) {
  if (CTextEditView::OnUpdateCommand(id, ui)) return true;
  return m_document && m_document->OnUpdateCommand(id, ui);
}

}  // namespace orva
