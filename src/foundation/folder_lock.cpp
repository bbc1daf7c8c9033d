#include "foundation/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace meridiana {

FolderLock::FolderLock(const std::string& folder, int timeoutMs) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  if (timeoutMs < 0) {
    int result;
    while ((result = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (result == 0) fd_ = fd;
  } else {
    // flock has no time-out of its own: ask without waiting, a little apart, until it is over.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        fd_ = fd;
        break;
      }
      if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= until)
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  if (fd_ < 0) ::close(fd);
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace meridiana
