#pragma once
// Measuring GBK text with a font. Font metrics are used on the GUI thread;
// a call from another thread is carried over to it.

#include <QFont>
#include <QSize>
#include <string_view>

namespace orva {

// Size of the text as drawn with the DrawText-style `format` (single line,
// or one line per line break).
QSize MeasureText(const QFont& font, std::string_view gbk, int format);

// Qt alignment and wrapping flags for a DrawText-style format.
int QtFlagsFromFormat(int format);

}  // namespace orva
