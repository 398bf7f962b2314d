#pragma once
// The cell classes. CGridCellBase is the abstract cell; CGridCell stores every
// property; CGridDefaultCell holds the defaults for one kind of cell (ordinary,
// fixed row, fixed column, corner); CGridCellCheck adds a check box.
//
// Ordinary cells that carry only text and state are not kept as objects by
// the grid (see GridStore); a full object exists only for a cell with other
// properties or of another class, and as a temporary while a cell is drawn.

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "grid/gridtypes.h"

class QPainter;
class QWidget;

namespace orva {

class CGridCtrl;
class CGridCellBase;
class CGridDefaultCell;

// The "run-time class" of a cell: how to make a new one of that class.
struct GridCellClass {
  std::unique_ptr<CGridCellBase> (*create)() = nullptr;
  bool operator==(const GridCellClass&) const = default;
};

template <typename Cell>
GridCellClass GridCellClassOf() {
  static_assert(std::is_base_of_v<CGridCellBase, Cell>, "a cell class derives from CGridCellBase");
  return GridCellClass{[]() -> std::unique_ptr<CGridCellBase> { return std::make_unique<Cell>(); }};
}

class CGridCellBase {
 public:
  virtual ~CGridCellBase() = default;

  virtual GridCellClass GetRuntimeClass() const = 0;

  virtual void SetText(std::string_view text) = 0;
  virtual void SetImage(int image) = 0;
  virtual void SetData(std::uint32_t data) = 0;
  virtual void SetState(std::uint32_t state) = 0;
  virtual void SetFormat(int format) = 0;
  virtual void SetTextClr(QColor color) = 0;
  virtual void SetBackClr(QColor color) = 0;
  virtual void SetFont(const std::optional<QFont>& font) = 0;
  virtual void SetMargin(int margin) = 0;
  virtual void SetGrid(CGridCtrl* grid) = 0;
  virtual void SetEditWnd(QWidget* editWnd) = 0;

  virtual std::string GetText() const = 0;
  virtual std::string GetTipText() const { return GetText(); }
  virtual int GetImage() const = 0;
  virtual std::uint32_t GetData() const = 0;
  virtual std::uint32_t GetState() const = 0;
  virtual int GetFormat() const;        // unset: from the default cell
  virtual QColor GetTextClr() const;    // unset (invalid): from the default cell
  virtual QColor GetBackClr() const;
  virtual std::optional<QFont> GetFont() const;  // the description, default cell's when unset
  virtual QFont GetFontObject() const;
  virtual CGridCtrl* GetGrid() const = 0;
  virtual int GetMargin() const;
  virtual QWidget* GetEditWnd() const = 0;
  virtual const CGridDefaultCell* GetDefaultCell() const;

  bool IsFocused() const { return GetState() & GVIS_FOCUSED; }
  bool IsFixed() const { return GetState() & GVIS_FIXED; }
  bool IsFixedCol() const { return GetState() & GVIS_FIXEDCOL; }
  bool IsFixedRow() const { return GetState() & GVIS_FIXEDROW; }
  bool IsSelected() const { return GetState() & GVIS_SELECTED; }
  bool IsReadOnly() const { return GetState() & GVIS_READONLY; }
  bool IsModified() const { return GetState() & GVIS_MODIFIED; }
  bool IsDropHighlighted() const { return GetState() & GVIS_DROPHILITED; }

  // Copies every property of another cell (not its grid or editor).
  virtual void Assign(const CGridCellBase& other);
  virtual void Reset();

  virtual bool Draw(QPainter& painter, int row, int col, QRect rect, bool eraseBkgnd = true);
  virtual QRect GetImageRect(QRect cellRect) const;
  virtual QRect GetTextRect(QRect cellRect) const;
  virtual QSize GetTextExtent(std::string_view text) const;
  virtual QSize GetCellExtent() const;

  // Starts the in-place editor over `rect`; `firstChar` is the key that
  // opened it (0 for a click).
  virtual bool Edit(int row, int col, QRect rect, QPoint point, int id, int firstChar);
  virtual bool IsEditing() const { return GetEditWnd() != nullptr; }
  virtual void EndEdit();
  virtual bool ValidateEdit(std::string_view text) { return true; }

  virtual bool PrintCell(QPainter& painter, int row, int col, QRect rect);

  // Mouse hooks get the point and the cell's rectangle in client coordinates.
  virtual void OnClick(QPoint point, QRect cellRect) {}
  virtual void OnClickDown(QPoint point, QRect cellRect) {}
  virtual void OnRClick(QPoint point, QRect cellRect) {}
  virtual void OnDblClick(QPoint point, QRect cellRect) {}
  virtual Qt::CursorShape OnSetCursor() const { return Qt::ArrowCursor; }

 protected:
  // Draws background, image and text; shared by Draw and PrintCell.
  void DrawContents(QPainter& painter, QRect rect, bool eraseBkgnd, bool forPrint);
};

class CGridCell : public CGridCellBase {
 public:
  GridCellClass GetRuntimeClass() const override { return GridCellClassOf<CGridCell>(); }

  void SetText(std::string_view text) override { m_text.assign(text); }
  void SetImage(int image) override { m_image = image; }
  void SetData(std::uint32_t data) override { m_data = data; }
  void SetState(std::uint32_t state) override { m_state = state; }
  void SetFormat(int format) override { m_format = format; }
  void SetTextClr(QColor color) override { m_textClr = color; }
  void SetBackClr(QColor color) override { m_backClr = color; }
  void SetFont(const std::optional<QFont>& font) override { m_font = font; }
  void SetMargin(int margin) override { m_margin = margin; }
  void SetGrid(CGridCtrl* grid) override { m_grid = grid; }
  void SetEditWnd(QWidget* editWnd) override { m_editWnd = editWnd; }

  std::string GetText() const override { return m_text; }
  int GetImage() const override { return m_image; }
  std::uint32_t GetData() const override { return m_data; }
  std::uint32_t GetState() const override { return m_state; }
  int GetFormat() const override;
  QColor GetTextClr() const override;
  QColor GetBackClr() const override;
  std::optional<QFont> GetFont() const override;
  int GetMargin() const override;
  CGridCtrl* GetGrid() const override { return m_grid; }
  QWidget* GetEditWnd() const override { return m_editWnd; }

  void Assign(const CGridCellBase& other) override;
  void Reset() override;

 protected:
  std::uint32_t m_state = 0;
  std::string m_text;
  std::uint32_t m_data = 0;
  int m_image = -1;
  int m_format = -1;
  QColor m_textClr;
  QColor m_backClr;
  std::optional<QFont> m_font;
  int m_margin = -1;
  CGridCtrl* m_grid = nullptr;
  QWidget* m_editWnd = nullptr;
};

// Defaults for one kind of cell: format, colours, font, margin, and the
// default width and height measured with the font.
class CGridDefaultCell : public CGridCell {
 public:
  CGridDefaultCell();
  GridCellClass GetRuntimeClass() const override { return GridCellClassOf<CGridDefaultCell>(); }

  int GetFormat() const override { return m_format; }
  QColor GetTextClr() const override { return m_textClr; }
  QColor GetBackClr() const override { return m_backClr; }
  std::optional<QFont> GetFont() const override { return m_fontObject; }
  QFont GetFontObject() const override { return m_fontObject; }
  int GetMargin() const override { return m_margin; }
  const CGridDefaultCell* GetDefaultCell() const override { return nullptr; }

  // Setting the font recomputes the margin, width and height.
  void SetFont(const std::optional<QFont>& font) override;

  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  int LineHeight() const { return m_lineHeight; }
  void SetWidth(int width) { m_width = width; }
  void SetHeight(int height) { m_height = height; }

 private:
  QFont m_fontObject;
  int m_width = 40;
  int m_height = 16;
  int m_lineHeight = 13;
};

// A cell with a check box at its left edge (or centred with DT_CENTER).
class CGridCellCheck : public CGridCell {
 public:
  GridCellClass GetRuntimeClass() const override { return GridCellClassOf<CGridCellCheck>(); }

  // Returns the previous value; repaints the cell.
  bool SetCheck(bool checked = true);
  bool GetCheck() const { return m_checked; }

  void Assign(const CGridCellBase& other) override;
  bool Draw(QPainter& painter, int row, int col, QRect rect, bool eraseBkgnd = true) override;
  bool PrintCell(QPainter& painter, int row, int col, QRect rect) override;
  QSize GetCellExtent() const override;
  QRect GetTextRect(QRect cellRect) const override;
  void OnClick(QPoint point, QRect cellRect) override;

  // The check box square inside a cell drawn at `cellRect`.
  QRect GetCheckPlacement(QRect cellRect) const;

 private:
  void DrawCheckBox(QPainter& painter, QRect cellRect) const;

  bool m_checked = false;
};

}  // namespace orva
