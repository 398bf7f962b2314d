#pragma once
// Reads the calendar's GBK texts back as UTF-8 so tests can compare them with
// readable literals.

#include <string>

#include "platform/codec.h"

namespace orva::calendar::test {

inline std::string U8(const std::string& gbk) { return Utf8FromGbk(gbk); }

}  // namespace orva::calendar::test
