#pragma once
// Whole-file reading and writing, line reading, and small file-system helpers.

#include <sys/types.h>

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "foundation/path_util.h"

namespace meridiana {

class UserNotice;

// The largest file ReadWholeFile takes, far above any table the program ships.
inline constexpr std::size_t kMaxWholeFileBytes = 64u << 20;

// All bytes of the file (the string's own NUL terminates them), or nothing when the file cannot
// be opened or read, is not a regular file or is larger than kMaxWholeFileBytes. Running out of
// memory shows "Out of memory error" through notice, if given.
std::optional<std::string> ReadWholeFile(const char* path, UserNotice* notice = nullptr);

// Whether a written file is on the disk before it takes its name. Without, it is still whole or
// absent for every reader while the system runs, but a power failure just after may leave an
// empty file: good enough for output that is made again as easily as it was made (a rendered
// picture), and it spares the wait for the disk.
enum class FileSync { kToDisk, kNone };

// Writes the bytes to a temporary file beside path and renames it over path, so the file is
// written whole or not at all. A replaced file keeps its permission bits; a new one gets 0666
// less the umask. False for a null path, null data with a non-zero count, or any failure to
// create, write or rename.
bool WriteWholeFile(const char* path, const void* data, std::size_t count,
                    FileSync sync = FileSync::kToDisk);
// The same with the given permission bits, set before the file appears under its name.
bool WriteWholeFileWithMode(const char* path, const void* data, std::size_t count, mode_t mode);

// The home folder the password database gives the user running the program; empty when it has
// none. What GLib and Qt fall back to when HOME is unset.
std::string PasswordDatabaseHome();
// $HOME when it is set and not empty, else PasswordDatabaseHome().
std::string HomeFolder();
// The current working directory as an absolute path; empty when it cannot be told.
std::string CurrentFolder();

// True when the path names something the file system knows.
bool FileExists(const char* path);

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
// fopen that closes itself (and on exec); null when the file cannot be opened.
FilePtr OpenFile(const char* path, const char* mode);

// Reads the next line, its LF included, into buffer and leaves the file just after it. Reads in
// blocks of at most 256 bytes while a whole further block still fits, so a line too long for the
// buffer comes back in pieces (768 bytes with a 1000-byte buffer). A NUL as the very first byte
// read is dropped. The number of characters returned; 0 at the end of the file.
int ReadLine(char* buffer, int bufferSize, std::FILE* file);
// The longest line, with its LF, that ReadLine gives back whole from a buffer of that size.
constexpr int ReadLineLimit(int bufferSize) {
  return bufferSize > 256 ? (bufferSize - 1) / 256 * 256 : bufferSize - 1;
}

// printf to an open file, without the terminating NUL. False for a null file or a failed write.
bool WriteFormatted(std::FILE* file, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Deletes every file that matches a wildcard pattern (fnmatch) in the pattern's folder, the part
// up to the last separator (the current directory when there is none). The number deleted.
int DeleteMatching(const char* pattern, char separator = kPathSeparator);

// Creates the folder (separators normalised first). False when it could not be created,
// including when it exists already.
bool CreateFolder(const char* path, char separator = kPathSeparator);

}  // namespace meridiana
