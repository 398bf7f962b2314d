// Loading and saving the text of a CTextBuffer.

#include <climits>
#include <cstring>

#include "editor/textbuffer.h"
#include "editor/textfile.h"

namespace orva {

namespace {

std::string_view EolSequence(int mode) {
  switch (mode) {
    case EolLfCr: return "\n\r";
    case EolLf: return "\n";
    default: return "\r\n";
  }
}

// The end-of-line mode of a file, judged by its first LF.
int DetectEolMode(const char* data, std::size_t size) {
  const char* lf = static_cast<const char*>(std::memchr(data, '\n', size));
  if (!lf || (lf > data && lf[-1] == '\r')) return EolCrLf;
  return (lf + 1 < data + size && lf[1] == '\r') ? EolLfCr : EolLf;
}

// Calls lineFound(start, length) for every line of the data, split on the
// sequence. A two-byte sequence is matched the simple way: a byte that breaks
// a half-matched sequence is not itself tried as the start of one, so CR CR LF
// in a CR LF file is line text. The bytes after the last separator form the
// last line (empty when the data ends with a separator).
template <typename LineFound>
void ForEachLine(const char* data, std::size_t size, std::string_view sequence, LineFound&& lineFound) {
  std::size_t lineStart = 0;
  std::size_t pos = 0;
  const char first = sequence[0];
  while (pos < size) {
    const char* hit = static_cast<const char*>(std::memchr(data + pos, first, size - pos));
    if (!hit) break;
    std::size_t at = static_cast<std::size_t>(hit - data);
    if (sequence.size() == 1) {
      lineFound(lineStart, at - lineStart);
      lineStart = pos = at + 1;
    } else if (at + 1 < size && data[at + 1] == sequence[1]) {
      lineFound(lineStart, at - lineStart);
      lineStart = pos = at + 2;
    } else {
      pos = at + 2;  // the mismatching byte is consumed
    }
  }
  lineFound(lineStart, size - lineStart);
}

}  // namespace

bool CTextBuffer::LoadFile(const std::string& path, int eolMode, int encoding) {
  FileBytes file;
  if (!ReadWholeFile(path, file)) return false;
  const TextEncoding fileEncoding = encoding >= EncodingGbk && encoding <= EncodingUtf8Bom
                                        ? static_cast<TextEncoding>(encoding)
                                        : DetectTextEncoding({file.data.get(), file.size});
  DecodeTextFile(file, fileEncoding);

  const int mode = (eolMode >= EolCrLf && eolMode <= EolLf)
                       ? eolMode
                       : DetectEolMode(file.data.get(), std::min(file.size, kTextFileBlockSize));
  const std::string_view sequence = EolSequence(mode);
  const char* data = file.data.get();

  std::size_t count = 0;
  ForEachLine(data, file.size, sequence, [&](std::size_t, std::size_t) { ++count; });
  std::vector<LineEntry> lines;
  lines.reserve(count + GapArray<LineEntry>::SpareFor(count));
  bool tooLong = false;
  ForEachLine(data, file.size, sequence, [&](std::size_t start, std::size_t length) {
    // A line ends at its first NUL byte.
    if (const void* nul = std::memchr(data + start, '\0', length))
      length = static_cast<std::size_t>(static_cast<const char*>(nul) - (data + start));
    if (length > INT_MAX / 2) tooLong = true;
    LineEntry entry;
    entry.text = file.data.get() + start;
    entry.length = static_cast<int>(std::min<std::size_t>(length, INT_MAX / 2));
    lines.push_back(entry);
  });
  if (tooLong) return false;  // lengths are ints; such a file cannot be edited

  FreeLines();
  m_lines.Assign(std::move(lines));
  m_block = std::move(file.data);
  m_blockLines = LineCount();
  m_blockCapacity = static_cast<int>(std::min<std::size_t>(file.capacity, INT_MAX) / 16 * 16);
  m_eolMode = mode;
  m_encoding = fileEncoding;
  m_readOnly = file.readOnly;
  FinishReset();
  return true;
}

bool CTextBuffer::SaveFile(const std::string& path, int eolMode, bool clearModified) {
  const int mode = (eolMode >= EolCrLf && eolMode <= EolLf) ? eolMode : m_eolMode;
  const std::string_view sequence = EolSequence(mode);
  const auto encoding = static_cast<TextEncoding>(m_encoding);
  AtomicFileWriter writer;
  if (!writer.Open(path) || !writer.Write(EncodingBom(encoding))) return false;
  if (encoding == EncodingUtf8 || encoding == EncodingUtf8Bom) {
    // Converted in chunks of whole lines: a character never spans a line break.
    std::string chunk;
    for (int line = 0; line < LineCount(); ++line) {
      if (line > 0) chunk += sequence;
      chunk += Line(line);
      if (chunk.size() >= kTextFileBlockSize) {
        if (!writer.Write(EncodeText(chunk, encoding))) return false;
        chunk.clear();
      }
    }
    if (!chunk.empty() && !writer.Write(EncodeText(chunk, encoding))) return false;
  } else {
    for (int line = 0; line < LineCount(); ++line) {
      if (line > 0 && !writer.Write(sequence)) return false;
      if (!writer.Write(Line(line))) return false;
    }
  }
  if (!writer.Commit(m_createBackup)) return false;
  if (clearModified) {
    MarkModified(false);
    m_savedPosition = m_undoPosition;
  }
  return true;
}

}  // namespace orva
