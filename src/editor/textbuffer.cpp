#include "editor/textbuffer.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/codec.h"
#include "platform/resource_ids.h"

namespace orva {

namespace {

int RoundedCapacity(int length) { return (length / 16 + 1) * 16; }

constexpr int kLargeLine = 1 << 20;

bool IsSingleBit(std::uint32_t flag) { return flag != 0 && (flag & (flag - 1)) == 0; }

// String ids of the UndoAction captions, indexed by action code.
constexpr int kActionCaptionIds[] = {
    IDS_ACTION_UNKNOWN, IDS_ACTION_PASTE,     IDS_ACTION_DELETE_SELECTION, IDS_ACTION_CUT,
    IDS_ACTION_TYPING,  IDS_ACTION_BACKSPACE, IDS_ACTION_INDENT,           IDS_ACTION_DRAG_DROP,
    IDS_ACTION_REPLACE, IDS_ACTION_DELETE,    IDS_ACTION_AUTO_INDENT,
};

}  // namespace

std::vector<std::string_view> SplitInsertedText(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') continue;
    pieces.push_back(text.substr(start, i - start));
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

CTextBuffer::CTextBuffer() = default;

CTextBuffer::~CTextBuffer() { FreeLines(); }

bool CTextBuffer::ActionCaption(int action, std::string& caption) const {
  if (action < 0 || action >= static_cast<int>(std::size(kActionCaptionIds))) return false;
  const char* text = FindStringText(kActionCaptionIds[action]);
  if (!text) return false;
  caption = text;
  return true;
}

void CTextBuffer::MarkModified(bool modified) { m_modified = modified; }

void CTextBuffer::FreeLines() {
  for (std::size_t i = 0; i < m_lines.size(); ++i)
    if (m_lines[i].capacity > 0) delete[] m_lines[i].text;
  m_lines.Clear();
  m_block.reset();
  m_blockLines = 0;
}

void CTextBuffer::ResetHistory() {
  m_undo.clear();
  m_undo.shrink_to_fit();
  m_undoPosition = 0;
  m_savedPosition = 0;
  m_groupOpen = false;
  m_groupStartPending = false;
  m_undoLimit = 1024;
}

void CTextBuffer::ResetToEmptyLine() {
  FreeLines();
  LineEntry entry;
  entry.capacity = RoundedCapacity(0);
  entry.text = new char[entry.capacity];
  m_lines.Insert(0, 1, entry);
}

void CTextBuffer::FinishReset() {
  ResetHistory();
  m_initialised = true;
  m_modified = false;
  NotifyViews(nullptr, nullptr, ChangeReset, -1);
}

bool CTextBuffer::CreateEmpty(int eolMode) {
  ResetToEmptyLine();
  SetEolMode(eolMode);
  FinishReset();
  return true;
}

void CTextBuffer::Clear() {
  FreeLines();
  ResetHistory();
  m_initialised = false;
}

void CTextBuffer::SetEolMode(int mode) {
  if (mode >= EolCrLf && mode <= EolLf) m_eolMode = mode;
}

bool CTextBuffer::ValidPos(int line, int column) const {
  return line >= 0 && line < LineCount() && column >= 0 && column <= LineLength(line);
}

void CTextBuffer::ReserveLine(LineEntry& entry, int length) {
  // A line still in the loaded block can shrink in place; growing, or any
  // line of its own outgrowing its allocation, moves it to a new allocation.
  bool fits = entry.capacity > 0 ? length < entry.capacity : length <= entry.length;
  if (fits) return;
  if (entry.capacity == 0 && m_blockLines == 1 && entry.text == m_block.get() && length < m_blockCapacity) {
    // The last line left in the loaded block (a file of one long line) takes
    // the block over instead of copying it.
    entry.capacity = m_blockCapacity;
    m_block.release();
    m_blockLines = 0;
    return;
  }
  // Lines of megabytes grow by an eighth at a time, so that typing into one
  // rarely copies it.
  const int grown = entry.length > kLargeLine ? entry.length + entry.length / 8 : 0;
  int capacity = RoundedCapacity(std::max(length, std::min(grown, INT_MAX - 32)));
  char* text = new char[capacity];
  std::memcpy(text, entry.text, entry.length);
  const bool fromBlock = entry.capacity == 0;
  if (!fromBlock) delete[] entry.text;
  entry.text = text;
  entry.capacity = capacity;
  if (fromBlock) LeftBlock();
}

void CTextBuffer::LeftBlock() {
  // The loaded file's bytes go once no line points into them any more (a
  // one-line file of many megabytes must not be held twice after an edit).
  if (--m_blockLines <= 0) {
    m_block.reset();
    m_blockLines = 0;
  }
}

void CTextBuffer::MarkChanged() {
  if (!m_modified) MarkModified(true);
}

bool CTextBuffer::InsertPieces(ITextBufferView* source, TextPos start, const std::vector<std::string_view>& pieces,
                               TextPos& end) {
  if (m_readOnly) return false;
  LineEntry& first = m_lines[start.line];
  std::size_t total = first.length;
  for (std::string_view piece : pieces) total += piece.size();
  if (total >= INT_MAX - 16) return false;

  const std::size_t added = pieces.size() - 1;
  if (added == 0) {
    const int count = static_cast<int>(pieces[0].size());
    ReserveLine(first, first.length + count);
    std::memmove(first.text + start.column + count, first.text + start.column, first.length - start.column);
    std::memcpy(first.text + start.column, pieces[0].data(), count);
    first.length += count;
    end = {start.column + count, start.line};
  } else {
    // The bytes after the insertion point move to the end of the last piece.
    std::string tail(first.text + start.column, first.length - start.column);
    const int firstLength = start.column + static_cast<int>(pieces[0].size());
    ReserveLine(first, firstLength);
    std::memcpy(first.text + start.column, pieces[0].data(), pieces[0].size());
    first.length = firstLength;
    m_lines.Insert(start.line + 1, added, LineEntry{});
    for (std::size_t k = 1; k <= added; ++k) {
      std::string_view piece = pieces[k];
      LineEntry& entry = m_lines[start.line + k];
      entry.length = static_cast<int>(piece.size() + (k == added ? tail.size() : 0));
      entry.capacity = RoundedCapacity(entry.length);
      entry.text = new char[entry.capacity];
      std::memcpy(entry.text, piece.data(), piece.size());
      if (k == added) std::memcpy(entry.text + piece.size(), tail.data(), tail.size());
    }
    end = {static_cast<int>(pieces.back().size()), start.line + static_cast<int>(added)};
  }
  InsertEditContext context(start, end);
  NotifyViews(source, &context, added ? (ChangeWidth | ChangeLineCount) : (ChangeWidth | ChangeOneLine), start.line);
  MarkChanged();
  return true;
}

bool CTextBuffer::DeleteRaw(ITextBufferView* source, TextPos start, TextPos end) {
  if (m_readOnly) return false;
  if (start.line == end.line) {
    LineEntry& entry = m_lines[start.line];
    std::memmove(entry.text + start.column, entry.text + end.column, entry.length - end.column);
    entry.length -= end.column - start.column;
  } else {
    const LineEntry& last = m_lines[end.line];
    std::string_view kept(last.text + end.column, last.length - end.column);
    LineEntry& first = m_lines[start.line];
    const int length = start.column + static_cast<int>(kept.size());
    ReserveLine(first, length);
    std::memmove(first.text + start.column, kept.data(), kept.size());
    first.length = length;
    for (int line = start.line + 1; line <= end.line; ++line) {
      if (m_lines[line].capacity > 0)
        delete[] m_lines[line].text;
      else
        LeftBlock();
    }
    m_lines.Erase(start.line + 1, end.line - start.line);
  }
  DeleteEditContext context(start, end);
  NotifyViews(source, &context, start.line == end.line ? (ChangeWidth | ChangeOneLine) : (ChangeWidth | ChangeLineCount),
              start.line);
  MarkChanged();
  return true;
}

bool CTextBuffer::InsertAt(ITextBufferView* source, int line, int column, std::string_view text, int& endLine,
                           int& endColumn, int action) {
  if (m_readOnly || !ValidPos(line, column)) return false;
  text = text.substr(0, text.find('\0'));
  endLine = line;
  endColumn = column;
  if (text.empty()) return true;

  const bool ownGroup = !m_groupOpen;
  if (ownGroup) OpenUndoGroup(false);
  TextPos start{column, line}, end;
  bool done = InsertPieces(source, start, SplitInsertedText(text), end);
  if (done) {
    AppendUndo(true, start, end, action, std::string(text));
    endLine = end.line;
    endColumn = end.column;
  }
  if (ownGroup) CloseUndoGroup(nullptr);
  return done;
}

bool CTextBuffer::DeleteRange(ITextBufferView* source, int startLine, int startColumn, int endLine, int endColumn,
                              int action) {
  if (m_readOnly || !ValidPos(startLine, startColumn) || !ValidPos(endLine, endColumn)) return false;
  TextPos start{startColumn, startLine}, end{endColumn, endLine};
  if (end < start) return false;
  if (start == end) return true;

  // Keep the line lengths too when a deleted line holds a CR of its own, so
  // that undo puts back exactly the lines that were there.
  std::string text;
  CopyRange(startLine, startColumn, endLine, endColumn, text);
  std::vector<int> pieceLengths;
  bool ownCr = false;
  for (int line = startLine; line <= endLine; ++line) {
    int from = line == startLine ? startColumn : 0;
    int to = line == endLine ? endColumn : LineLength(line);
    pieceLengths.push_back(to - from);
    if (Line(line).substr(from, to - from).find('\r') != std::string_view::npos) ownCr = true;
  }
  if (!ownCr) pieceLengths.clear();

  const bool ownGroup = !m_groupOpen;
  if (ownGroup) OpenUndoGroup(false);
  bool done = DeleteRaw(source, start, end);
  if (done) AppendUndo(false, start, end, action, std::move(text), std::move(pieceLengths));
  if (ownGroup) CloseUndoGroup(nullptr);
  return done;
}

void CTextBuffer::CopyRange(int startLine, int startColumn, int endLine, int endColumn, std::string& text,
                            std::string_view separator) const {
  text.clear();
  if (startLine < 0 || endLine >= LineCount() || endLine < startLine) return;
  auto part = [&](int line, int from, int to) {
    std::string_view all = Line(line);
    from = std::clamp(from, 0, static_cast<int>(all.size()));
    to = std::clamp(to, from, static_cast<int>(all.size()));
    return all.substr(from, to - from);
  };
  if (startLine == endLine) {
    text.assign(part(startLine, startColumn, endColumn));
    return;
  }
  text.append(part(startLine, startColumn, INT_MAX));
  for (int line = startLine + 1; line < endLine; ++line) {
    text.append(separator);
    text.append(Line(line));
  }
  text.append(separator);
  text.append(part(endLine, 0, endColumn));
}

bool CTextBuffer::IsTrailByteAt(int line, int column) const {
  if (line < 0 || line >= LineCount() || column < 0) return false;
  return orva::IsTrailByteAt(Line(line), static_cast<std::size_t>(column));
}

void CTextBuffer::ChangeLineFlag(int line, std::uint32_t flag, bool on, bool move) {
  if (!IsSingleBit(flag)) return;
  if (line == -1) line = LineWithFlag(flag);
  if (line < 0 || line >= LineCount()) return;
  const std::uint32_t old = m_lines[line].flags;
  const std::uint32_t changed = on ? (old | flag) : (old & ~flag);
  if (changed == old) return;
  if (move && on) {
    int other = LineWithFlag(flag);
    if (other >= 0) {
      m_lines[other].flags &= ~flag;
      NotifyViews(nullptr, nullptr, ChangeOneLine | ChangeFlagsOnly, other);
    }
  }
  m_lines[line].flags = changed;
  NotifyViews(nullptr, nullptr, ChangeOneLine | ChangeFlagsOnly, line);
}

int CTextBuffer::LineWithFlag(std::uint32_t flag) const {
  if (!IsSingleBit(flag)) return -1;
  for (int line = 0; line < LineCount(); ++line)
    if (m_lines[line].flags & flag) return line;
  return -1;
}

int CTextBuffer::NextMarkedLine(int line) const {
  const int count = LineCount();
  if (line < 0 || line >= count) return -1;
  int from = (LineFlags(line) & LineFlagAnonymousBookmark) ? line + 1 : line;
  for (int i = from; i < count; ++i)
    if (LineFlags(i) & LineFlagAnonymousBookmark) return i;
  for (int i = 0; i < count; ++i)
    if (LineFlags(i) & LineFlagAnonymousBookmark) return i;
  return -1;
}

int CTextBuffer::PrevMarkedLine(int line) const {
  const int count = LineCount();
  if (line < 0 || line >= count) return -1;
  int from = (LineFlags(line) & LineFlagAnonymousBookmark) ? line - 1 : line;
  for (int i = from; i >= 0; --i)
    if (LineFlags(i) & LineFlagAnonymousBookmark) return i;
  for (int i = count - 1; i >= 0; --i)
    if (LineFlags(i) & LineFlagAnonymousBookmark) return i;
  return -1;
}

void CTextBuffer::AttachView(ITextBufferView* view) {
  if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
}

void CTextBuffer::DetachView(ITextBufferView* view) { std::erase(m_views, view); }

void CTextBuffer::NotifyViews(ITextBufferView* source, const EditContext* context, std::uint32_t changeFlags, int line) {
  // By index: a view may detach itself while being notified.
  for (std::size_t i = 0; i < m_views.size(); ++i) m_views[i]->OnBufferChanged(source, context, changeFlags, line);
}

}  // namespace orva
