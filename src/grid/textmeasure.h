#pragma once
// Measuring GBK text with a font, on any thread. Copies of a QFont share one
// private part whose font-engine cache is not guarded, so a thread other than
// the GUI thread measures with fonts of its own (see FontForThisThread).

#include <QFont>
#include <QSize>
#include <string_view>

namespace orva {

// Size of the text as drawn with the DrawText-style `format` (single line,
// or one line per line break).
QSize MeasureText(const QFont& font, std::string_view gbk, int format);

// A font to measure with on the calling thread: the font itself on the GUI
// thread; elsewhere an equal font that shares nothing with the GUI thread's
// copies, made once per thread and description.
QFont FontForThisThread(const QFont& font);

// Qt alignment and wrapping flags for a DrawText-style format.
int QtFlagsFromFormat(int format);

}  // namespace orva
