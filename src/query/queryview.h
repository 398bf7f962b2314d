#pragma once
// The SQL editor pane of a query window: an editing view over the query
// document's buffer that colours SQL, takes its font from the settings, and
// hands its text to the query frame and the object browser.

#include <QFont>
#include <QPointer>
#include <string>
#include <string_view>

#include "editor/texteditview.h"

class QMenu;

namespace orva {

class CQueryDoc;

// The editor font from the settings section "Setting": "FontFamilies"
// (default "Fixedsys"), "FontStyle" ("加粗", "斜体", "加粗 斜体", anything else
// regular) and "FontSize" in points (default "12"), scaled by the screen's
// vertical resolution. A face that is not installed gives way to the
// platform's fixed-pitch font at the same size and style. A size that is not
// a number leaves the size to the platform.
QFont EditorFontFromSettings(int dpiY);

// The bytes an end-of-line mode (EolMode) puts between lines.
std::string_view LineEndOf(int eolMode);

class CQueryView : public CTextEditView {
 public:
  explicit CQueryView(CQueryDoc* document, QWidget* parent = nullptr);
  ~CQueryView() override;

  CQueryDoc* Document() const { return m_document; }

  // Binds the document's buffer, then takes the font from the settings.
  void OnInitialUpdate() override;

  bool HasSelection() const { return IsSelection(); }
  // The selected text, the buffer's own line end between lines (the one the
  // file came with, or the mode a new script was created with), so that line
  // breaks inside quoted texts reach the database as the script has them.
  // Empty without a selection.
  std::string GetSelectedText() const;
  // Every line, joined by the buffer's line end, without a break after the last.
  std::string GetAllText() const;
  // The buffer's end-of-line sequence.
  std::string_view LineEnd() const;
  // Inserts text at the caret as one "替换" step and selects it, the caret
  // after it. Nothing on a read-only view.
  void InsertText(std::string_view text);

  // The editor context menu: undo, redo, cut, copy, paste, delete, select
  // all, with the tool bar's images. Owned by the main window; its commands
  // go to this view while it lives.
  QMenu* BuildContextMenu();

  // The view's commands, then the document's (read-only, save).
  bool OnCommand(int id) override;
  bool OnUpdateCommand(int id, CmdUI& ui) override;

 protected:
  std::uint32_t ColorLine(std::uint32_t cookie, int line, std::vector<ColorSpan>* spans) override;
  void ColorLinePart(std::uint32_t cookie, int line, int from, int to, std::vector<ColorSpan>& spans) override;
  bool ColorLineCookieSlice(std::uint32_t cookie, int line, ColourResumePoint& progress, std::size_t budget,
                            std::uint32_t& endCookie) override;
  CTextBuffer* GetTextBuffer() override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void ApplyEditorFont();

  CQueryDoc* m_document;
};

}  // namespace orva
