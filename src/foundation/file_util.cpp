#include "foundation/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string_view>

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

}  // namespace

std::optional<std::string> ReadWholeFile(const char* path, UserNotice* notice) {
  if (!path) return std::nullopt;
  FileDescriptor fd(::open(path, O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;

  std::string buffer;
  try {
    buffer.reserve(kInitialBuffer);
    char block[kBlock];
    for (;;) {
      const ssize_t n = ::read(fd.get(), block, sizeof block);
      if (n < 0) {
        if (errno == EINTR) continue;
        return std::nullopt;
      }
      if (n == 0) break;
      // Grow in large steps, as the block reader always has.
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

bool WriteWholeFile(const char* path, const void* data, std::size_t count) {
  if (!path || !*path || (!data && count != 0)) return false;
  std::string temporary = std::string(path) + ".XXXXXX";
  FileDescriptor fd(::mkstemp(temporary.data()));
  if (fd.get() < 0) return false;
  // mkstemp creates the file 0600; files the program writes are ordinary files.
  ::fchmod(fd.get(), 0644);
  const bool ok = WriteAll(fd.get(), static_cast<const char*>(data), count) &&
                  ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0 &&
                  ::rename(temporary.c_str(), path) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

}  // namespace meridiana
