#pragma once
// GBK data text <-> QString, for handing text to widgets and reading it back.

#include <QString>
#include <string>
#include <string_view>

namespace orva {

QString QStringFromGbk(std::string_view gbk);
std::string GbkFromQString(const QString& text);

}  // namespace orva
