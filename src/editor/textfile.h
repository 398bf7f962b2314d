#pragma once
// File input and output for text documents: whole-file reading in fixed
// blocks, and replacing a file atomically so that a failed save never leaves
// the target missing or half written.

#include <cerrno>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace orva {

inline constexpr std::size_t kTextFileBlockSize = 32768;

struct FileBytes {
  std::unique_ptr<char[]> data;  // never null after a successful read
  std::size_t size = 0;
  std::size_t capacity = 0;  // bytes allocated for data, at least size
  bool readOnly = false;  // the file has no write permission for this user
};

// errno after ReadWholeFile refused a pipe, a socket or a device.
inline constexpr int kErrNotRegularFile = ENODEV;

// Reads a regular file whole, in blocks of kTextFileBlockSize bytes. False
// when it cannot be opened or a read fails, and for anything that is not a
// regular file (errno EISDIR for a folder, kErrNotRegularFile otherwise).
bool ReadWholeFile(const std::string& path, FileBytes& out);

// The encoding of a text file. The text is always held as GBK bytes (GB18030,
// which covers every character); a UTF-8 file is converted when it is read
// and converted back when it is written, so it is saved in the encoding it
// came in. GBK and GB18030 files, and any bytes that are not UTF-8, are held
// and written unchanged, byte for byte.
enum TextEncoding : int {
  EncodingGbk = 0,
  EncodingGb18030 = 1,  // GBK text with four-byte GB18030 characters
  EncodingUtf8 = 2,
  EncodingUtf8Bom = 3,
};

// UTF-8 with a BOM when the bytes start with one and the rest is UTF-8;
// UTF-8 when they are valid UTF-8 holding at least one multi-byte sequence;
// otherwise GB18030 when they hold a four-byte GB18030 character, else GBK.
TextEncoding DetectTextEncoding(std::string_view bytes);
// Turns a file's bytes in `encoding` into the text held (BOM dropped).
void DecodeTextFile(FileBytes& file, TextEncoding encoding);
// Turns held text into the bytes of a file in `encoding` (without the BOM).
// Call it on whole lines: the line breaks are the same in every encoding.
std::string EncodeText(std::string_view text, TextEncoding encoding);
// The bytes a file in `encoding` starts with.
std::string_view EncodingBom(TextEncoding encoding);
// "GBK", "GB18030", "UTF-8" or "UTF-8 BOM".
const char* EncodingName(TextEncoding encoding);

// Writes a new version of a file into a temporary file beside it ("CRE..."),
// then, on Commit, flushes it to disk and renames it over the target in one
// step. Until then, and whenever a step fails, the target is untouched; the
// temporary file is removed unless it became the target.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  bool Open(const std::string& targetPath);
  bool Write(std::string_view bytes);
  // With `backup`, an existing target is kept as target + ".bak" first.
  bool Commit(bool backup);

 private:
  bool Flush();
  void Discard();

  std::string m_target;
  std::string m_tempPath;
  int m_fd = -1;
  bool m_failed = false;
  std::string m_pending;
};

}  // namespace orva
