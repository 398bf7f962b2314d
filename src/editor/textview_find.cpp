// Find, go to line and bookmarks.

#include <algorithm>

#include "editor/textsearch.h"
#include "editor/textview.h"
#include "platform/messagebox.h"
#include "platform/profile.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"

namespace orva {

namespace {
constexpr const char* kFindSection = "Find";
}  // namespace

bool CTextView::FindInBlock(std::string_view what, TextPos start, TextPos blockStart, TextPos blockEnd,
                            unsigned flags, bool wrap, TextPos& found) {
  LineSource lines{LineCount(), [this](int line) { return LineText(line); }};
  FindRequest request{what, start, blockStart, blockEnd, flags, wrap};
  return orva::FindInBlock(lines, request, found);
}

bool CTextView::FindInText(std::string_view what, TextPos start, unsigned flags, bool wrap, TextPos& found) {
  return FindInBlock(what, start, TextPos{}, TextEnd(), flags, wrap, found);
}

bool CTextView::FindAndSelect(unsigned flags) {
  if (!m_buffer || m_lastSearch.what.empty()) return false;
  // Upward searches start at the selection start, so that a selected hit is
  // passed over and repeated searches walk backwards.
  TextPos selStart, selEnd;
  GetSelection(selStart, selEnd);
  const TextPos from = (flags & FindUp) ? std::min(m_caret, selStart) : m_caret;
  TextPos found;
  if (!FindInText(m_lastSearch.what, from, flags, true, found)) {
    // The string table's text is UTF-8 with a "%s" for the searched text.
    QString message = QString::fromUtf8(FindStringText(IDS_FIND_NOT_FOUND));
    message.replace(QLatin1String("%s"), QStringFromGbk(m_lastSearch.what));
    ShowMessageBox(message, QStringLiteral("ORVA"), MbIcon::Information, MbButtons::Ok, this);
    return false;
  }
  const TextPos end{found.column + static_cast<int>(m_lastSearch.what.size()), found.line};
  m_caret = m_anchor = end;
  SetSelection(found, end);
  m_idealColumn = DisplayColumnOfPos(m_caret);
  EnsureVisible(end);
  UpdateCaret();
  return true;
}

bool CTextView::FindNext() { return FindAndSelect(m_lastSearch.flags); }

bool CTextView::FindPrevious() { return FindAndSelect(m_lastSearch.flags ^ FindUp); }

void CTextView::SetLastSearch(const FindSettings& settings) {
  m_lastSearch = settings;
  m_hasSearched = true;
}

FindSettings CTextView::FindDialogPreset() {
  FindSettings preset;
  if (m_hasSearched) {
    preset = m_lastSearch;
  } else {
    preset.what = GetProfileText(kFindSection, "FindWhat", "");
    if (GetProfileNumber(kFindSection, "MatchCase", 0)) preset.flags |= FindMatchCase;
    if (GetProfileNumber(kFindSection, "WholeWord", 0)) preset.flags |= FindWholeWord;
  }
  preset.flags &= ~FindUp;
  TextPos start, end;
  GetSelection(start, end);
  if (start != end && start.line == end.line) CopyRange(start, end, preset.what);
  return preset;
}

void CTextView::StoreSearchSettings() {
  WriteProfileText(kFindSection, "FindWhat", m_lastSearch.what);
  WriteProfileNumber(kFindSection, "MatchCase", (m_lastSearch.flags & FindMatchCase) ? 1 : 0);
  WriteProfileNumber(kFindSection, "WholeWord", (m_lastSearch.flags & FindWholeWord) ? 1 : 0);
}

void CTextView::RunFindCommand() {
  if (!m_buffer) return;
  FindSettings settings = FindDialogPreset();
  SetKeepSelectionVisible(true);
  const bool accepted = RunFindDialog(settings);
  SetKeepSelectionVisible(false);
  if (!accepted) return;
  SetLastSearch(settings);
  StoreSearchSettings();
}

void CTextView::GoToLine(int oneBasedLine) {
  if (!m_buffer) return;
  const int line = std::clamp(oneBasedLine, 1, LineCount()) - 1;
  m_caret = m_anchor = {0, line};
  SetSelection(m_caret, m_caret);
  m_idealColumn = 0;
  EnsureCaretVisible();
}

void CTextView::RunGoToLineCommand() {
  if (!m_buffer) return;
  int line = 1;
  if (RunGoToLineDialog(line)) GoToLine(line);
}

// ---- bookmarks ----

void CTextView::PlaceCaretAt(int line) {
  m_caret = m_anchor = {0, line};
  SetSelection(m_caret, m_caret);
  m_idealColumn = 0;
  EnsureCaretVisible();
}

void CTextView::ToggleBookmark(int number) {
  if (!m_buffer || number < 0 || number > 9) return;
  const std::uint32_t flag = LineFlagBookmark(number);
  const bool on = !(LineFlags(m_caret.line) & flag);
  m_buffer->ChangeLineFlag(m_caret.line, flag, on, true);
}

void CTextView::GoToBookmark(int number) {
  if (!m_buffer || number < 0 || number > 9) return;
  const int line = m_buffer->LineWithFlag(LineFlagBookmark(number));
  if (line >= 0) PlaceCaretAt(line);
}

void CTextView::ClearBookmarks() {
  if (!m_buffer) return;
  for (int number = 0; number < 10; ++number) m_buffer->ChangeLineFlag(-1, LineFlagBookmark(number), false, false);
}

void CTextView::ToggleAnonymousBookmark() {
  if (!m_buffer) return;
  const bool on = !(LineFlags(m_caret.line) & LineFlagAnonymousBookmark);
  m_buffer->ChangeLineFlag(m_caret.line, LineFlagAnonymousBookmark, on, false);
  m_hasAnonymousBookmarks = m_buffer->LineWithFlag(LineFlagAnonymousBookmark) >= 0;
}

void CTextView::GoToNextAnonymousBookmark() {
  if (!m_buffer) return;
  const int line = m_buffer->NextMarkedLine(m_caret.line);
  if (line >= 0) PlaceCaretAt(line);
}

void CTextView::GoToPreviousAnonymousBookmark() {
  if (!m_buffer) return;
  const int line = m_buffer->PrevMarkedLine(m_caret.line);
  if (line >= 0) PlaceCaretAt(line);
}

void CTextView::ClearAnonymousBookmarks() {
  if (!m_buffer) return;
  for (int line = 0; line < m_buffer->LineCount(); ++line) {
    if (m_buffer->LineFlags(line) & LineFlagAnonymousBookmark) {
      m_buffer->ChangeLineFlag(line, LineFlagAnonymousBookmark, false, false);
    }
  }
  m_hasAnonymousBookmarks = false;
}

}  // namespace orva
