#include "world/packed_data_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "foundation/file_util.h"
#include "support/temp_dir.h"

namespace meridiana {
namespace {

std::string Le32(std::uint32_t v) {
  std::string out;
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return out;
}

// A zlib stream made by zlib itself, independent of the packer under test.
std::string ZlibStream(std::string_view text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  std::string out(size, '\0');
  EXPECT_EQ(
      compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()), 6),
      Z_OK);
  out.resize(size);
  return out;
}

std::string Packed(std::int32_t statedLength, std::string_view text) {
  return Le32(0x01E76A1A) + Le32(static_cast<std::uint32_t>(statedLength)) + ZlibStream(text);
}

const std::string kTable = "Paris\tFR\t48.85\t2.35\r\nTokyo\tJP\t35.68\t139.69\r\n";

TEST(PackedDataFile, ReadsTheTextOfAWellFormedFile) {
  TempDir dir;
  const std::string packed = Packed(static_cast<std::int32_t>(kTable.size()), kTable);
  EXPECT_EQ(packed.substr(0, 4), std::string("\x1A\x6A\xE7\x01", 4));
  const std::string path = dir.Write("location.dat", packed);
  const auto text = ReadPackedDataFile(path.c_str());
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, kTable);
  EXPECT_EQ((*text)[text->size()], '\0');

  EXPECT_EQ(UnpackData(Packed(0, "")), "");
  EXPECT_FALSE(ReadPackedDataFile(dir.File("missing.dat").c_str()).has_value());
}

TEST(PackedDataFile, AcceptsAStreamShorterThanStated) {
  // The text ends, and the NUL stands, after the bytes produced.
  const auto text = UnpackData(Packed(static_cast<std::int32_t>(kTable.size()) + 100, kTable));
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, kTable);
  EXPECT_EQ(text->size(), kTable.size());
  EXPECT_EQ(text->c_str()[kTable.size()], '\0');

  // A tiny file that claims the largest length is still read, without reserving that much.
  const auto claimed = UnpackData(Packed(0x7FFFFFFF, "abc"));
  ASSERT_TRUE(claimed.has_value());
  EXPECT_EQ(*claimed, "abc");
}

TEST(PackedDataFile, RejectsBadFiles) {
  const std::string good = Packed(static_cast<std::int32_t>(kTable.size()), kTable);
  std::string badAdler = good;
  badAdler.back() = static_cast<char>(badAdler.back() ^ 0x55);
  std::string corrupt = good;
  corrupt[12] = static_cast<char>(corrupt[12] ^ 0xFF);

  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"inflates past the stated length",
       Packed(static_cast<std::int32_t>(kTable.size()) - 1, kTable)},
      {"empty file", ""},
      {"shorter than the header", good.substr(0, 7)},
      {"header only", good.substr(0, 8)},
      {"wrong magic", Le32(0x01E76A1B) + good.substr(4)},
      {"plain text", kTable},
      {"negative length", Packed(-1, kTable)},
      {"most negative length", Packed(-2147483647 - 1, "")},
      {"truncated stream", good.substr(0, good.size() - 10)},
      {"truncated trailer", good.substr(0, good.size() - 1)},
      {"bad Adler-32", badAdler},
      {"corrupt deflate data", corrupt},
      {"raw deflate without zlib header",
       Le32(0x01E76A1A) + Le32(3) + std::string("\x4b\x4c\x4a\x06\x00", 5)},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(UnpackData(c.bytes).has_value());
    const std::string path = dir.Write("bad.dat", c.bytes);
    EXPECT_FALSE(ReadPackedDataFile(path.c_str()).has_value());
  }
}

TEST(PackedDataFile, PackerOutputReadsBack) {
  std::string every;
  for (int i = 0; i < 5000; ++i) every.push_back(static_cast<char>(i * 31));
  for (const std::string& text : {std::string(), kTable, every}) {
    const std::string packed = PackData(text);
    ASSERT_GE(packed.size(), 8u);
    EXPECT_EQ(packed.substr(0, 8),
              Le32(0x01E76A1A) + Le32(static_cast<std::uint32_t>(text.size())));
    // zlib's own inflater agrees with the stream.
    std::string plain(text.size() + 1, '\0');
    uLongf size = static_cast<uLongf>(plain.size());
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(plain.data()), &size,
                         reinterpret_cast<const Bytef*>(packed.data() + 8),
                         static_cast<uLong>(packed.size() - 8)),
              Z_OK);
    plain.resize(size);
    EXPECT_EQ(plain, text);
    EXPECT_EQ(UnpackData(packed), text);
  }
}

TEST(PackedDataFile, DamagedFilesNeverCrashOrOverrun) {
  // Random byte edits and cuts of a good file: each is either rejected or yields at most the
  // stated number of bytes. Run under the sanitizers this also checks every buffer access.
  std::string text;
  for (int i = 0; i < 300; ++i) text += kTable;
  const std::string good = Packed(static_cast<std::int32_t>(text.size()), text);
  std::mt19937 random(1208);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = good;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = random() % bytes.size();
      bytes[at] = static_cast<char>(random());
    }
    if (random() % 3 == 0) bytes.resize(random() % bytes.size());
    const auto result = UnpackData(bytes);
    if (!result) continue;
    ++accepted;
    ASSERT_GE(bytes.size(), 8u);
    std::int32_t stated;
    std::memcpy(&stated, bytes.data() + 4, 4);
    EXPECT_LE(result->size(), static_cast<std::size_t>(stated));
  }
  // Edits that only touch the stated length upwards are accepted; most others are not.
  EXPECT_LT(accepted, 3000);
}

}  // namespace
}  // namespace meridiana
