#pragma once
// The fonts the user chooses for the three areas of the window: the SQL
// editor, the result grids and the object browser. Each area keeps family,
// style and size as the texts the options page shows, in section "Setting";
// the editor under "FontFamilies", "FontStyle" and "FontSize", the others
// under the same names with "Result" or "Browser" in front. Windows that are
// open follow a change at once through FontSettingsNotifier.

#include <QFont>
#include <QObject>
#include <optional>
#include <string>

namespace orva {

enum class FontArea { Editor = 0, Result = 1, Browser = 2 };
constexpr int kFontAreaCount = 3;

// The stored texts of an area (GBK); a part never written is empty.
struct FontChoice {
  std::string family;
  std::string style;
  std::string size;
  bool operator==(const FontChoice&) const = default;
};

// The value name of a part ("FontFamilies", "ResultFontStyle", ...).
std::string FontValueName(FontArea area, const char* part);

FontChoice ReadStoredFontChoice(FontArea area);
// Writes the parts that are not empty; empty parts are left as they are.
void WriteFontChoice(FontArea area, const FontChoice& choice);

// Style texts of the options page, by index 0-3.
const char* FontStyleText(int index);  // UTF-8: "常规", "加粗", "斜体", "加粗 斜体"
bool StyleIsBold(std::string_view gbkStyle);
bool StyleIsItalic(std::string_view gbkStyle);

// The font of a face, style text and size in points at the given vertical
// resolution (points × dpi / 72, rounded, as a pixel height). A size of 0
// or less leaves the size as it is.
QFont MakeChosenFont(QFont font, std::string_view gbkStyle, int points, int dpiY);

// The result-grid or browser font, when the user has chosen one; nothing
// when no family is stored or the stored family is not installed (the area
// keeps its platform font).
std::optional<QFont> ChosenAreaFont(FontArea area, int dpiY);

// Tells open windows that an area's font was stored anew.
class FontSettingsNotifier : public QObject {
  Q_OBJECT
 public:
  static FontSettingsNotifier& Instance();
  void NotifyChanged(FontArea area) { emit Changed(static_cast<int>(area)); }
 signals:
  void Changed(int area);
};

}  // namespace orva
