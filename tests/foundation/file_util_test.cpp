#include "foundation/file_util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace meridiana {
namespace {

std::vector<std::string> ListDir(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ReadWholeFile, ReadsEveryByte) {
  TempDir dir;
  const auto empty = ReadWholeFile(dir.Write("empty", "").c_str());
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->size(), 0u);
  EXPECT_STREQ(empty->c_str(), "");

  // Larger than the first buffer and its enlargements, with NUL bytes inside.
  std::string big;
  for (int i = 0; i < 30000; ++i) big.push_back(static_cast<char>(i * 7));
  const auto read = ReadWholeFile(dir.Write("big", big).c_str());
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(*read, big);
  EXPECT_EQ((*read)[read->size()], '\0');

  EXPECT_FALSE(ReadWholeFile(dir.File("missing").c_str()).has_value());
  EXPECT_FALSE(ReadWholeFile(dir.path().c_str()).has_value());
  EXPECT_FALSE(ReadWholeFile(nullptr).has_value());
}

TEST(ReadWholeFile, TakesOnlyRegularFilesUpToTheCap) {
  TempDir dir;
  // A FIFO nobody writes to would block an ordinary open for ever.
  const std::string fifo = dir.File("location.dat");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(ReadWholeFile(fifo.c_str()).has_value());
  EXPECT_FALSE(ReadWholeFile("/dev/zero").has_value());

  const std::string sparse = dir.File("sparse");
  ASSERT_EQ(::truncate(dir.Write("sparse", "").c_str(), kMaxWholeFileBytes + 1), 0);
  EXPECT_FALSE(ReadWholeFile(sparse.c_str()).has_value());
  ASSERT_EQ(::truncate(sparse.c_str(), kMaxWholeFileBytes), 0);
  const auto atCap = ReadWholeFile(sparse.c_str());
  ASSERT_TRUE(atCap.has_value());
  EXPECT_EQ(atCap->size(), kMaxWholeFileBytes);
}

TEST(WriteWholeFile, ReplacesTheFileWholeOrNotAtAll) {
  TempDir dir;
  const std::string path = dir.File("out.txt");
  ASSERT_TRUE(WriteWholeFile(path.c_str(), "first version", 13));
  EXPECT_EQ(ReadWholeFile(path.c_str()), "first version");

  // A reader holding the old file keeps seeing the old text whole: the new one arrives by rename,
  // never by rewriting the old file in place.
  FilePtr old = OpenFile(path.c_str(), "rb");
  ASSERT_TRUE(old);
  ASSERT_TRUE(WriteWholeFile(path.c_str(), "second", 6));
  char buffer[32] = {};
  EXPECT_EQ(std::fread(buffer, 1, sizeof buffer - 1, old.get()), 13u);
  EXPECT_STREQ(buffer, "first version");
  EXPECT_EQ(ReadWholeFile(path.c_str()), "second");

  ASSERT_TRUE(WriteWholeFile(path.c_str(), nullptr, 0));
  EXPECT_EQ(ReadWholeFile(path.c_str()), "");

  EXPECT_FALSE(WriteWholeFile(nullptr, "x", 1));
  EXPECT_FALSE(WriteWholeFile(path.c_str(), nullptr, 3));
  EXPECT_FALSE(WriteWholeFile(dir.File("no/such/folder").c_str(), "x", 1));
  // A failed write leaves the old file and no temporary behind.
  EXPECT_FALSE(WriteWholeFile(dir.path().c_str(), "x", 1));
  EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"out.txt"});
  EXPECT_TRUE(FileExists(path.c_str()));
  EXPECT_TRUE(FileExists(dir.path().c_str()));
  EXPECT_FALSE(FileExists(dir.File("nothing").c_str()));
  EXPECT_FALSE(FileExists(nullptr));
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(WriteWholeFile, ModesFollowTheUmaskAndTheReplacedFile) {
  TempDir dir;
  const mode_t saved = ::umask(077);
  const std::string fresh = dir.File("fresh");
  const bool wroteFresh = WriteWholeFile(fresh.c_str(), "a", 1);
  ::umask(022);
  const std::string open = dir.File("open");
  const bool wroteOpen = WriteWholeFile(open.c_str(), "a", 1);
  // A private file stays private when it is replaced, whatever the umask.
  const bool replacedFresh = WriteWholeFile(fresh.c_str(), "bb", 2);
  ASSERT_EQ(::chmod(open.c_str(), 0640), 0);
  const bool replacedOpen = WriteWholeFile(open.c_str(), "bb", 2);
  const std::string settings = dir.File("settings");
  const bool wroteSettings = WriteWholeFileWithMode(settings.c_str(), "s", 1, 0600);
  ::umask(saved);

  ASSERT_TRUE(wroteFresh && wroteOpen && replacedFresh && replacedOpen && wroteSettings);
  EXPECT_EQ(ModeOf(fresh), 0600u);
  EXPECT_EQ(ModeOf(open), 0640u);
  EXPECT_EQ(ModeOf(settings), 0600u);
  EXPECT_EQ(ReadWholeFile(fresh.c_str()), "bb");
  EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"fresh", "open", "settings"}));
}

TEST(WriteWholeFile, NamesAtTheLengthLimit) {
  TempDir dir;
  const std::string longest = dir.File(std::string(255, 'n'));
  ASSERT_TRUE(WriteWholeFile(longest.c_str(), "long", 4));
  EXPECT_EQ(ReadWholeFile(longest.c_str()), "long");
  EXPECT_FALSE(WriteWholeFile(dir.File(std::string(256, 'n')).c_str(), "x", 1));
  EXPECT_EQ(ListDir(dir.path()).size(), 1u);
}

TEST(ReadLine, LinesAndTheirPositions) {
  TempDir dir;
  const std::string path = dir.Write("lines", std::string("first\r\nsecond\n\nlast", 19));
  FilePtr f = OpenFile(path.c_str(), "rb");
  ASSERT_TRUE(f);
  char buffer[1000];
  EXPECT_EQ(ReadLine(buffer, sizeof buffer, f.get()), 7);
  EXPECT_STREQ(buffer, "first\r\n");
  EXPECT_EQ(std::ftell(f.get()), 7);  // positioned just after the line
  EXPECT_EQ(ReadLine(buffer, sizeof buffer, f.get()), 7);
  EXPECT_STREQ(buffer, "second\n");
  EXPECT_EQ(ReadLine(buffer, sizeof buffer, f.get()), 1);
  EXPECT_STREQ(buffer, "\n");
  EXPECT_EQ(ReadLine(buffer, sizeof buffer, f.get()), 4);
  EXPECT_STREQ(buffer, "last");
  EXPECT_EQ(ReadLine(buffer, sizeof buffer, f.get()), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(ReadLine(buffer, sizeof buffer, nullptr), 0);
}

TEST(ReadLine, LongLinesComeInPieces) {
  TempDir dir;
  std::string line(2000, 'x');
  for (std::size_t i = 0; i < line.size(); ++i) line[i] = static_cast<char>('a' + i % 26);
  const std::string path = dir.Write("long", line + "\nnext\n");
  FilePtr f = OpenFile(path.c_str(), "rb");
  ASSERT_TRUE(f);
  char buffer[1000];
  std::string joined;
  std::vector<int> pieces;
  for (int n; (n = ReadLine(buffer, sizeof buffer, f.get())) > 0;) {
    pieces.push_back(n);
    joined.append(buffer, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(pieces, (std::vector<int>{768, 768, 465, 5}));
  EXPECT_EQ(joined, line + "\nnext\n");

  // A buffer smaller than one block still makes progress.
  f = OpenFile(path.c_str(), "rb");
  char small[10];
  EXPECT_EQ(ReadLine(small, sizeof small, f.get()), 9);
  EXPECT_STREQ(small, "abcdefghi");
}

TEST(ReadLine, DropsANulAtTheStartOfTheBuffer) {
  TempDir dir;
  const std::string path = dir.Write("nul", std::string("\0abc\ndef\n", 9));
  FilePtr f = OpenFile(path.c_str(), "rb");
  char buffer[300];
  EXPECT_EQ(ReadLine(buffer, sizeof buffer, f.get()), 4);
  EXPECT_STREQ(buffer, "abc\n");
  EXPECT_EQ(ReadLine(buffer, sizeof buffer, f.get()), 4);
  EXPECT_STREQ(buffer, "def\n");
}

TEST(WriteFormatted, WritesTextWithoutItsTerminator) {
  TempDir dir;
  const std::string path = dir.File("formatted");
  {
    FilePtr f = OpenFile(path.c_str(), "wb");
    ASSERT_TRUE(f);
    EXPECT_TRUE(WriteFormatted(f.get(), "M=%s,%i\r\n", "Paris", 3));
    const std::string wide(4500, 'w');
    EXPECT_TRUE(WriteFormatted(f.get(), "%s", wide.c_str()));
  }
  const auto text = ReadWholeFile(path.c_str());
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, "M=Paris,3\r\n" + std::string(4500, 'w'));
  EXPECT_FALSE(WriteFormatted(nullptr, "x"));
}

TEST(DeleteMatching, DeletesMatchingFilesOnly) {
  TempDir dir;
  for (const char* name : {"a.jpg", "b.jpg", "c.JPG", "keep.txt", ".hidden.jpg"})
    dir.Write(name, "x");
  ASSERT_TRUE(CreateFolder(dir.File("d.jpg").c_str()));
  EXPECT_EQ(DeleteMatching((dir.path() + "/*.jpg").c_str()), 3);
  EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"c.JPG", "d.jpg", "keep.txt"}));
  EXPECT_EQ(DeleteMatching((dir.path() + "\\k??p.*").c_str(), '\\'), 0);  // no "\" in the path
  EXPECT_EQ(DeleteMatching((dir.path() + "/k??p.*").c_str()), 1);
  EXPECT_EQ(DeleteMatching(dir.File("missing/*").c_str()), 0);

  // Without a folder part the names are taken in the current directory.
  const std::string cwd = std::filesystem::current_path().string();
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  const int deleted = DeleteMatching("c.*");
  ASSERT_EQ(::chdir(cwd.c_str()), 0);
  EXPECT_EQ(deleted, 1);
}

TEST(CreateFolder, CreatesOnceWithNormalisedSeparators) {
  TempDir dir;
  EXPECT_TRUE(CreateFolder(dir.File("cache").c_str()));
  EXPECT_FALSE(CreateFolder(dir.File("cache").c_str()));  // exists already
  EXPECT_TRUE(CreateFolder((dir.path() + "\\cache\\\\sub").c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("cache/sub")));
  EXPECT_FALSE(CreateFolder(dir.File("no/such/parent").c_str()));
  EXPECT_FALSE(CreateFolder(nullptr));
}

}  // namespace
}  // namespace meridiana
