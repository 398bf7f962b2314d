#pragma once
// Writes a dBase III table file (version byte 3, no memo file) from rows of
// GBK text values. Fields are character ("C"), date ("D") or numeric ("N").
//
// Calling order: Init, DefineField for each field, Open, WriteHeader, then for
// every record SetFieldValue for each field and WriteRecord, then Close. The
// record count given to Init is the number of records that will be written.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace orva {

class SafeFileOutput;

class CDbfWriter {
 public:
  static constexpr int kHeaderSize = 32;
  static constexpr int kDescriptorSize = 32;
  static constexpr int kMaxNameBytes = 10;

  CDbfWriter();
  ~CDbfWriter();
  CDbfWriter(const CDbfWriter&) = delete;
  CDbfWriter& operator=(const CDbfWriter&) = delete;

  // Starts a new table: the header for `recordCount` records dated today
  // (UTC) and `fieldCount` empty descriptors (none when not positive).
  void Init(std::uint32_t recordCount, int fieldCount);

  // Describes field `index`. The name is stored in upper case, cut to ten
  // bytes without splitting a character and made unique within the table.
  // `width` is the width for "C" and "D" fields; for "N" fields the width is
  // its low byte and the number of decimals its high byte (NumericWidth).
  // Ignored when the index has no descriptor.
  void DefineField(int index, std::string_view name, char type, std::uint16_t width);
  static std::uint16_t NumericWidth(int width, int decimals) {
    return static_cast<std::uint16_t>((width & 0xFF) | ((decimals & 0xFF) << 8));
  }

  // Creates or truncates the file. On failure keeps the error text (for the
  // caller to show; the writer may run off the GUI thread); nothing is
  // written afterwards.
  bool Open(const std::string& path);
  // Writes into a stream the caller opened and keeps: Close flushes it and
  // leaves it open.
  void Attach(std::FILE* file);
  // Writes into a safe file's stream, passing the records to its helper
  // thread batch by batch, so that the next batch is filled meanwhile.
  void Attach(SafeFileOutput& output);

  // Lays out the record, then writes header, descriptors and the 0x0D end
  // mark. Fails (with the error text) when no field was set up or the fields do
  // not fit the format's 16-bit lengths, and quietly when no file is open.
  bool WriteHeader();

  // Puts one value into the record being assembled. False when the value
  // does not fit its field: a character value is cut, a number is stored as
  // asterisks.
  bool SetFieldValue(int index, const char* text, std::size_t length);
  bool SetFieldValue(int index, std::string_view text) { return SetFieldValue(index, text.data(), text.size()); }

  // Writes the assembled record, marked as not deleted. Records are passed
  // to the file in batches: false when the file refused a batch.
  bool WriteRecord();
  // Writes a record of the values of the first `count` fields (the others
  // empty), as SetFieldValue would store them, without touching the record
  // being assembled; adds the number of values that did not fit their field
  // to `overflows`.
  bool WriteRecord(const std::string_view* values, int count, std::int64_t& overflows);

  // Closes the file; false when buffered bytes could not be written. When
  // another number of records was written than Init announced, the header's
  // record count is corrected first, so readers never run past the end.
  bool Close();

  // The last error, GBK text (empty when none).
  const std::string& ErrorText() const { return m_errorText; }

  int FieldCount() const { return static_cast<int>(m_descriptors.size()); }

 private:
  using Descriptor = std::array<std::uint8_t, kDescriptorSize>;

  // Where a field lies in the record, fixed when the header is written.
  struct FieldLayout {
    std::size_t offset = 0;
    std::size_t width = 0;
    char type = 0;
    int decimals = 0;
    bool shortText = false;  // a character field of at most 16 bytes
  };

  bool FlushBatch();
  static bool PutField(const FieldLayout& layout, std::uint8_t* record, std::string_view value);
  static int FieldWidth(const Descriptor& descriptor);
  static int FieldOffset(const Descriptor& descriptor);
  static std::string NameOf(const Descriptor& descriptor);
  std::string UniqueName(std::string name);
  void Fail(std::string text);

  std::array<std::uint8_t, kHeaderSize> m_header{};
  std::vector<Descriptor> m_descriptors;
  std::vector<FieldLayout> m_layout;
  std::vector<std::uint8_t> m_record;
  // Records not yet passed to the file; with a safe file, the other batch may
  // still be being written.
  std::vector<std::uint8_t> m_batches[2];
  int m_filling = 0;
  std::size_t m_batchSize = 0;
  bool m_batchFailed = false;
  int m_recordLength = 0;
  std::FILE* m_file = nullptr;
  SafeFileOutput* m_output = nullptr;
  bool m_ownsFile = true;
  std::uint32_t m_announcedRecords = 0;
  std::uint32_t m_writtenRecords = 0;
  std::string m_errorText;
  // Names in use, and for each name the next suffix to try, so that naming
  // many equal columns stays linear.
  std::unordered_set<std::string> m_names;
  std::unordered_map<std::string, int> m_nextSuffix;
};

}  // namespace orva
