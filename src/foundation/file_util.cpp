#include "foundation/file_util.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <string_view>
#include <vector>

#include "foundation/text_format.h"
#include "foundation/user_notice.h"

namespace meridiana {
namespace {

constexpr std::size_t kInitialBuffer = 5000;
constexpr std::size_t kBlock = 1024;
constexpr std::size_t kEnlargeBy = 10000;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, std::size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(fd, data, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

// Creates a new file with a short random name in path's folder, so a target name near the
// file system's length limit still has room for it. The name goes to temporary.
int CreateTemporaryBeside(const std::string& path, std::string& temporary) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = folder + ".~";
    for (int i = 0; i < 8; ++i) temporary += kLetters[entropy() % (sizeof kLetters - 1)];
    // 0666 lets the umask decide, as for any file a program creates.
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writes whole or not at all. A file that is replaced keeps its permission bits; a new one gets
// what the umask allows, unless mode says otherwise.
bool WriteWholeFileAs(const char* path, const void* data, std::size_t count,
                      std::optional<mode_t> mode, FileSync sync) {
  if (!path || !*path || (!data && count != 0)) return false;
  if (!mode) {
    struct stat existing {};
    if (::stat(path, &existing) == 0 && S_ISREG(existing.st_mode)) mode = existing.st_mode & 07777;
  }
  std::string temporary;
  FileDescriptor fd(CreateTemporaryBeside(path, temporary));
  if (fd.get() < 0) return false;
  const bool ok = (!mode || ::fchmod(fd.get(), *mode) == 0) &&
                  WriteAll(fd.get(), static_cast<const char*>(data), count) &&
                  (sync == FileSync::kNone || ::fsync(fd.get()) == 0) &&
                  ::close(fd.release()) == 0 &&
                  ::rename(temporary.c_str(), path) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const char* path, UserNotice* notice) {
  if (!path) return std::nullopt;
  // O_NONBLOCK so a FIFO under a table's name cannot stall start-up; it is refused below.
  FileDescriptor fd(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  if (st.st_size > static_cast<off_t>(kMaxWholeFileBytes)) return std::nullopt;

  std::string buffer;
  try {
    buffer.reserve(std::max(kInitialBuffer, static_cast<std::size_t>(st.st_size) + 1));
    char block[kBlock];
    for (;;) {
      const ssize_t n = ::read(fd.get(), block, sizeof block);
      if (n < 0) {
        if (errno == EINTR) continue;
        return std::nullopt;
      }
      if (n == 0) break;
      // A file that grows while it is read still stops at the cap.
      if (buffer.size() + static_cast<std::size_t>(n) > kMaxWholeFileBytes) return std::nullopt;
      if (buffer.capacity() - buffer.size() < static_cast<std::size_t>(n) + 10)
        buffer.reserve(buffer.capacity() + kEnlargeBy);
      buffer.append(block, static_cast<std::size_t>(n));
    }
    buffer.shrink_to_fit();
  } catch (const std::bad_alloc&) {
    if (notice) notice->ShowMessage("Error", "Out of memory error");
    return std::nullopt;
  }
  return buffer;
}

bool WriteWholeFile(const char* path, const void* data, std::size_t count, FileSync sync) {
  return WriteWholeFileAs(path, data, count, std::nullopt, sync);
}

bool WriteWholeFileWithMode(const char* path, const void* data, std::size_t count, mode_t mode) {
  return WriteWholeFileAs(path, data, count, mode, FileSync::kToDisk);
}

std::string PasswordDatabaseHome() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
      !found->pw_dir) {
    return {};
  }
  return found->pw_dir;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) : PasswordDatabaseHome();
}

std::string CurrentFolder() {
  std::vector<char> buffer(4096);
  while (!::getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

bool FileExists(const char* path) {
  struct stat st {};
  return path && ::stat(path, &st) == 0;
}

FilePtr OpenFile(const char* path, const char* mode) {
  if (!path || !mode) return nullptr;
  // Close-on-exec: a program started meanwhile must not inherit the file.
  return FilePtr(std::fopen(path, (std::string(mode) + "e").c_str()));
}

int ReadLine(char* buffer, int bufferSize, std::FILE* file) {
  constexpr int kLineBlock = 256;
  if (!buffer || !file || bufferSize < 2) {
    if (buffer && bufferSize > 0) buffer[0] = '\0';
    return 0;
  }
  int length = 0;
  // One byte of the buffer stays for the NUL. A buffer too small for a whole block still gets
  // one smaller block, so short buffers make progress.
  while (length + kLineBlock < bufferSize || (length == 0 && bufferSize > 1)) {
    const int want = std::min(kLineBlock, bufferSize - 1 - length);
    int got =
        static_cast<int>(std::fread(buffer + length, 1, static_cast<std::size_t>(want), file));
    if (got <= 0) break;
    const bool endOfFile = got < want;
    if (length == 0 && buffer[0] == '\0') {
      std::memmove(buffer, buffer + 1, static_cast<std::size_t>(got - 1));
      --got;
    }
    char* lf =
        static_cast<char*>(std::memchr(buffer + length, '\n', static_cast<std::size_t>(got)));
    if (lf) {
      const int end = static_cast<int>(lf - buffer) + 1;
      const long pastLine = length + got - end;
      if (pastLine > 0) std::fseek(file, -pastLine, SEEK_CUR);
      buffer[end] = '\0';
      return end;
    }
    length += got;
    if (endOfFile) break;
  }
  buffer[length] = '\0';
  return length;
}

bool WriteFormatted(std::FILE* file, const char* format, ...) {
  if (!file || !format) return false;
  va_list args;
  va_start(args, format);
  const std::optional<std::string> text = FormatTextV(format, args);
  va_end(args);
  if (!text) return false;
  return std::fwrite(text->data(), 1, text->size(), file) == text->size();
}

int DeleteMatching(const char* pattern, char separator) {
  if (!pattern || !*pattern) return 0;
  const std::string_view whole(pattern);
  const std::size_t cut = whole.rfind(separator);
  const std::string folder(cut == std::string_view::npos ? "" : whole.substr(0, cut + 1));
  const std::string namePattern(cut == std::string_view::npos ? whole : whole.substr(cut + 1));

  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()),
                                          ::closedir);
  if (!dir) return 0;
  // Collect first: deleting while reading a directory may skip entries.
  std::vector<std::string> victims;
  while (const dirent* entry = ::readdir(dir.get())) {
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    if (::fnmatch(namePattern.c_str(), name, 0) != 0) continue;
    std::string path = folder.empty() ? std::string(name) : folder + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
    victims.push_back(std::move(path));
  }
  int deleted = 0;
  for (const std::string& path : victims) deleted += ::unlink(path.c_str()) == 0;
  return deleted;
}

bool CreateFolder(const char* path, char separator) {
  if (!path || !*path) return false;
  const std::string normalised = NormaliseSeparators(path, separator);
  return ::mkdir(normalised.c_str(), 0777) == 0;
}

}  // namespace meridiana
