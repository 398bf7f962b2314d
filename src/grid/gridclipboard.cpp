#include "grid/gridclipboard.h"

#include "grid/gridstore.h"

namespace orva {

std::string BuildCopyText(const GridStore& store, CellRange range) {
  range = store.Clamp(range);
  std::string text;
  if (!range.IsValid()) return text;
  bool firstRow = true;
  for (int r = range.minRow; r <= range.maxRow; ++r) {
    if (store.Rows().Size(r) == 0) continue;
    if (!firstRow) text += "\r\n";
    firstRow = false;
    bool firstField = true;
    for (int c = range.minCol; c <= range.maxCol; ++c) {
      if (store.Columns().Size(c) == 0) continue;
      if (!firstField) text += '\t';
      firstField = false;
      if (store.IsSelected(r, c)) text += store.Text(r, c);
    }
  }
  return text;
}

namespace {

std::string_view Trim(std::string_view field) {
  const char* space = " \t\r\n\v\f";
  std::size_t first = field.find_first_not_of(space);
  if (first == std::string_view::npos) return {};
  std::size_t last = field.find_last_not_of(space);
  return field.substr(first, last - first + 1);
}

}  // namespace

std::vector<std::vector<std::string>> ParsePasteText(std::string_view text) {
  std::vector<std::vector<std::string>> lines;
  // Text from programs that count the terminating NUL ends with one.
  while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line = text.substr(start, (end == std::string_view::npos ? text.size() : end) - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string>& fields = lines.emplace_back();
    std::size_t from = 0;
    while (true) {
      std::size_t cut = line.find_first_of("\t,", from);
      fields.emplace_back(Trim(line.substr(from, cut == std::string_view::npos ? std::string_view::npos : cut - from)));
      if (cut == std::string_view::npos) break;
      from = cut + 1;
    }
    start = next;
  }
  return lines;
}

}  // namespace orva
