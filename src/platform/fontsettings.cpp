#include "platform/fontsettings.h"

#include <QFontDatabase>
#include <cmath>
#include <cstdlib>

#include "platform/codec.h"
#include "platform/profile.h"
#include "platform/qtext.h"

namespace orva {
namespace {

constexpr const char* kSection = "Setting";
constexpr const char* kStyleTexts[] = {"常规", "加粗", "斜体", "加粗 斜体"};

bool StyleIs(std::string_view gbkStyle, int a, int b) {
  return gbkStyle == GbkFromUtf8(kStyleTexts[a]) || gbkStyle == GbkFromUtf8(kStyleTexts[b]);
}

}  // namespace

std::string FontValueName(FontArea area, const char* part) {
  switch (area) {
    case FontArea::Editor: return part;
    case FontArea::Result: return std::string("Result") + part;
    case FontArea::Browser: return std::string("Browser") + part;
  }
  return part;
}

FontChoice ReadStoredFontChoice(FontArea area) {
  return FontChoice{GetProfileText(kSection, FontValueName(area, "FontFamilies"), ""),
                    GetProfileText(kSection, FontValueName(area, "FontStyle"), ""),
                    GetProfileText(kSection, FontValueName(area, "FontSize"), "")};
}

void WriteFontChoice(FontArea area, const FontChoice& choice) {
  if (!choice.family.empty()) WriteProfileText(kSection, FontValueName(area, "FontFamilies"), choice.family);
  if (!choice.style.empty()) WriteProfileText(kSection, FontValueName(area, "FontStyle"), choice.style);
  if (!choice.size.empty()) WriteProfileText(kSection, FontValueName(area, "FontSize"), choice.size);
}

const char* FontStyleText(int index) { return index >= 0 && index < 4 ? kStyleTexts[index] : ""; }
bool StyleIsBold(std::string_view gbkStyle) { return StyleIs(gbkStyle, 1, 3); }
bool StyleIsItalic(std::string_view gbkStyle) { return StyleIs(gbkStyle, 2, 3); }

QFont MakeChosenFont(QFont font, std::string_view gbkStyle, int points, int dpiY) {
  font.setWeight(StyleIsBold(gbkStyle) ? QFont::Bold : QFont::Normal);
  font.setItalic(StyleIsItalic(gbkStyle));
  font.setUnderline(false);
  font.setStrikeOut(false);
  // Points to pixels, rounded as the classic multiply-divide does.
  const int pixels = static_cast<int>(std::lround(static_cast<double>(points) * dpiY / 72.0));
  if (pixels > 0) font.setPixelSize(pixels);
  return font;
}

std::optional<QFont> ChosenAreaFont(FontArea area, int dpiY) {
  const FontChoice choice = ReadStoredFontChoice(area);
  if (choice.family.empty()) return std::nullopt;
  const QString face = QStringFromGbk(choice.family);
  if (!QFontDatabase::families().contains(face, Qt::CaseInsensitive)) return std::nullopt;
  const int points = choice.size.empty() ? 9 : static_cast<int>(std::strtol(choice.size.c_str(), nullptr, 10));
  return MakeChosenFont(QFont(face), choice.style, points, dpiY);
}

FontSettingsNotifier& FontSettingsNotifier::Instance() {
  static FontSettingsNotifier notifier;
  return notifier;
}

}  // namespace orva
