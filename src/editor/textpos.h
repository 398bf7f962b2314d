#pragma once
// A position in a text buffer and the way a change moves positions.

namespace orva {

// Column is a byte index within the line, so the two bytes of a double-byte
// character occupy two columns. Ordered by line, then column.
struct TextPos {
  int column = 0;
  int line = 0;

  friend bool operator==(const TextPos&, const TextPos&) = default;
  friend bool operator<(const TextPos& a, const TextPos& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
  }
  friend bool operator<=(const TextPos& a, const TextPos& b) { return !(b < a); }
};

// Passed with every text change so that each view can move its caret,
// selection and other remembered positions across the change.
class EditContext {
 public:
  EditContext(TextPos start, TextPos end) : m_start(start), m_end(end) {}
  virtual ~EditContext() = default;
  virtual void AdjustPos(TextPos& pos) const = 0;
  TextPos Start() const { return m_start; }
  TextPos End() const { return m_end; }

 protected:
  TextPos m_start;
  TextPos m_end;
};

// Text was inserted at start; end is where the inserted text ends.
class InsertEditContext : public EditContext {
 public:
  using EditContext::EditContext;
  void AdjustPos(TextPos& pos) const override;
};

// The text from start to end was deleted.
class DeleteEditContext : public EditContext {
 public:
  using EditContext::EditContext;
  void AdjustPos(TextPos& pos) const override;
};

}  // namespace orva
