// Handing out a long value in chunks: the engine copies each byte once.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "odbcengine/type_map.h"
#include "odbcengine/value_convert.h"

namespace {

// Bytes allocated by this thread while counting is on.
thread_local bool t_counting = false;
thread_local std::size_t t_allocated = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (t_counting) t_allocated += size;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace orva::odbcengine {
namespace {

// Reads the whole value as cType in chunks of `chunk` bytes; returns the
// bytes read and the bytes allocated meanwhile.
std::pair<std::string, std::size_t> ReadInChunks(const Value& value, const ColumnInfo& column, SQLSMALLINT cType,
                                                 std::size_t chunk) {
  std::string out;
  out.reserve(4 << 20);  // the reader's own buffer is not the engine's doing
  std::vector<char> buffer(chunk + 1);
  ReadPosition pos;
  std::vector<Diagnostic> infos;
  infos.reserve(100000);
  t_allocated = 0;
  t_counting = true;
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc = DeliverValue(value, column, cType, buffer.data(), static_cast<SQLLEN>(buffer.size()),
                                      &indicator, pos, false, infos);
    if (rc == SQL_NO_DATA) break;
    const std::size_t room = cType == SQL_C_CHAR ? buffer.size() - 1 : buffer.size();
    out.append(buffer.data(), std::min(room, static_cast<std::size_t>(indicator)));
    infos.clear();
    if (rc == SQL_SUCCESS) break;
  }
  t_counting = false;
  return {out, t_allocated};
}

TEST(ChunkedReadTest, LongValuesAreNotCopiedForEveryChunk) {
  const std::string megabyte(1 << 20, 'x');
  ColumnInfo text;
  DescribeDeclaredType("varchar(max)", text);
  // Text read as text: no copy of the value at all.
  // (Each chunk but the last also records a truncation diagnostic.)
  auto [asText, textBytes] = ReadInChunks(Value(megabyte), text, SQL_C_CHAR, 4096);
  EXPECT_EQ(asText, megabyte);
  EXPECT_LT(textBytes, megabyte.size() / 4);
  // Binary read as hexadecimal text: converted once, not once per chunk.
  ColumnInfo binary;
  DescribeDeclaredType("varbinary(max)", binary);
  auto [asHex, hexBytes] = ReadInChunks(Value(Blob{megabyte}), binary, SQL_C_CHAR, 4096);
  ASSERT_EQ(asHex.size(), 2 * megabyte.size());
  EXPECT_EQ(asHex.substr(0, 4), "7878");
  EXPECT_LT(hexBytes, 3 * asHex.size());
  // Binary read as binary.
  auto [asBytes, byteBytes] = ReadInChunks(Value(Blob{megabyte}), binary, SQL_C_BINARY, 4096);
  EXPECT_EQ(asBytes, megabyte);
  EXPECT_LT(byteBytes, megabyte.size() / 4);
}

}  // namespace
}  // namespace orva::odbcengine
