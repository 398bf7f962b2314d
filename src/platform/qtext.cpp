#include "platform/qtext.h"

#include "platform/codec.h"

namespace orva {

QString QStringFromGbk(std::string_view gbk) {
  if (IsAscii(gbk)) return QString::fromLatin1(gbk.data(), static_cast<qsizetype>(gbk.size()));
  std::u16string utf16 = Utf16FromGbk(gbk);
  return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

std::string GbkFromQString(const QString& text) {
  bool ascii = true;
  for (QChar c : text)
    if (c.unicode() >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) return text.toStdString();
  return GbkFromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                          static_cast<std::size_t>(text.size())));
}

}  // namespace orva
