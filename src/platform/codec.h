#pragma once
// Text conversion at the edges of the system. Inside ORVA every piece of data
// text is a std::string of GBK bytes; these helpers convert it to and from the
// encodings of the outside world (Qt, drivers, files, clipboard). Conversion
// goes through GB18030, a superset of GBK, so that a character without a
// two-byte GBK form survives as its four-byte sequence instead of being lost.
// The one exception: the system's GB18030 table has no form for 24 code
// points of the private-use area (U+E78D-E796, U+E816-E818, U+E81E, U+E826,
// U+E82B, U+E82C, U+E831, U+E832, U+E83B, U+E843, U+E854, U+E855, U+E864);
// they become '?'.

#include <cstddef>
#include <string>
#include <string_view>

namespace orva {

// Converts between any two iconv character sets. Malformed input is replaced
// by '?' one byte (code unit) at a time, a well-formed character the target
// cannot hold by one '?'; the call never fails.
// Every text is converted from a fresh state (a byte-order mark of one text
// never decides the byte order of the next), carries at most one byte-order
// mark of its own, and ends with the target's shift state closed.
std::string ConvertCharset(std::string_view text, const char* fromCharset, const char* toCharset);

std::string Utf8FromGbk(std::string_view gbk);
std::string GbkFromUtf8(std::string_view utf8);
std::u16string Utf16FromGbk(std::string_view gbk);
std::string GbkFromUtf16(std::u16string_view utf16);

// True when the text holds only 7-bit bytes (it is then the same in GBK,
// UTF-8 and every other ASCII-compatible set, and needs no conversion).
bool IsAscii(std::string_view text);

// GBK/GB18030 lead bytes are 0x81..0xFE.
inline bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Length in bytes (1, 2 or 4) of the character that starts at `index`.
// A lead byte without a valid continuation counts as a one-byte character, so
// malformed text never stalls a scan. Returns 0 at or past the end.
std::size_t CharLengthAt(std::string_view line, std::size_t index);

// True when `index` falls inside a multi-byte character rather than on its
// first byte, judged by scanning `line` from its first byte.
bool IsTrailByteAt(std::string_view line, std::size_t index);

// The first byte of the character that contains `index` (index itself when
// it is a character start). `index` may equal line.size(). The result is the
// same as scanning the line from its first byte, but the scan starts at the
// nearest earlier byte that must end a character.
std::size_t CharStartAt(std::string_view line, std::size_t index);
// A character boundary at or before `index`, found without scanning from the
// line's start.
std::size_t CharBoundaryBefore(std::string_view line, std::size_t index);

// Number of characters in the text (multi-byte sequences count once each).
std::size_t CharCount(std::string_view text);

// Cuts the text to at most maxBytes without splitting a character.
std::string_view CutAtCharBoundary(std::string_view text, std::size_t maxBytes);

// Upper-cases ASCII letters; bytes of multi-byte characters are left alone.
std::string ToUpperGbk(std::string_view text);
std::string ToLowerGbk(std::string_view text);

}  // namespace orva
