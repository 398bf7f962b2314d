#pragma once
// SQL colouring of one script line. The colouring of a line depends on how the
// previous line ended (inside a block comment, or a continued line), carried in
// a 32-bit cookie from the end of one line to the start of the next; line 0
// starts with cookie 0. Any view that shows SQL can use it.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "editor/colorspan.h"

namespace orva {

enum SqlCookie : std::uint32_t {
  CookieLineComment = 0x01,   // the rest of the line is a comment
  CookieDirective = 0x02,     // the line is a directive (starts with "#")
  CookieBlockComment = 0x04,  // inside a "/*" ... "*/" comment
  CookieString = 0x08,        // inside a double-quoted text
  CookieChar = 0x10,          // inside a single-quoted text
};

// The words coloured as keywords, matched ignoring ASCII letter case. The first
// 97 are words of a general programming language (scripts often hold code
// fragments); the rest are SQL words. Duplicates are harmless.
inline constexpr std::size_t kSqlKeywordCount = 177;
extern const std::array<std::string_view, kSqlKeywordCount> SqlKeywords;

// True when some keyword equals the bytes, ignoring ASCII letter case.
bool IsSqlKeyword(std::string_view word);

// True for "0x" followed by hexadecimal digits (at least one), or for a digit
// followed by digits and the bytes "+-.Ee".
bool IsSqlNumber(std::string_view word);

// Colours one line. Takes the cookie at the end of the previous line and
// returns the cookie at the end of this one. When `spans` is given, appends the
// colour spans of the line in increasing start order; without it only the
// cookie is computed (the cheap pass a view runs over lines it does not draw).
std::uint32_t ColorLine(std::uint32_t cookie, std::string_view line, std::vector<ColorSpan>* spans);

// Colours only the bytes [from, to) of a line (what a view shows of a very
// long one): appends the spans that apply there, the first starting at
// `from`, exactly as ColorLine would colour those bytes. The state at `from`
// comes from the cheap cookie pass.
// `resume`, when given, holds points of this line (for this cookie) from which
// the state can be taken up, and receives new ones; the caller drops those
// after a change of the line.
void ColorLinePart(std::uint32_t cookie, std::string_view line, std::size_t from, std::size_t to,
                   std::vector<ColorSpan>& spans, std::vector<ColourResumePoint>* resume = nullptr);

// The cheap cookie pass over a very long line, a slice at a time, so that a
// caller can yield between slices: `progress` holds the state after the
// first `progress.position` bytes (a default one is the line start) and is
// moved on by about `budget` bytes. Returns true once the line's end is
// reached, with `endCookie` the cookie ColorLine would return.
bool ColorLineCookieSlice(std::uint32_t cookie, std::string_view line, ColourResumePoint& progress,
                          std::size_t budget, std::uint32_t& endCookie);

}  // namespace orva
