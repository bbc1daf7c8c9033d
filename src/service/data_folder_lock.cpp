#include "service/data_folder_lock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>

#include "foundation/file_util.h"
#include "service/data_folder.h"

namespace meridiana::service {

DataFolderLock::DataFolderLock(const std::string& folder, int timeoutMs, bool create) {
  const std::string path = InFolder(folder, kLockFile);
  const int fd =
      ::open(path.c_str(), O_RDWR | (create ? O_CREAT : 0) | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    problem_ = "cannot open the lock file " + path + ": " + std::strerror(errno);
    return;
  }
  // A lock file that others could open would let them hold the lock: it is the owner's alone.
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
      ((info.st_mode & 077) != 0 && ::fchmod(fd, 0600) != 0)) {
    problem_ = "the lock file " + path + " is not a file of this user's alone";
    ::close(fd);
    return;
  }
  // flock has no time-out of its own: ask without waiting, a little apart, until it is over.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      problem_ = "cannot lock " + path + ": " + std::strerror(errno);
      break;
    }
    if (std::chrono::steady_clock::now() >= until) {
      problem_ = "cannot lock " + path + ": another ingest or refresh has held it for " +
                 std::to_string(timeoutMs / 1000) + " s";
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::close(fd);
}

DataFolderLock::~DataFolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

int RemoveLeftoverTemporaries(const std::string& folder) {
  // Writers make the lock file before any temporary one, so without it there is nothing to do.
  const DataFolderLock lock(folder, 0, false);
  if (!lock.locked()) return 0;
  int removed = 0;
  for (const std::string_view sub : {std::string_view(), kCloudsFolder, kErrorsFolder}) {
    const std::string path = sub.empty() ? folder : InFolder(folder, sub);
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) continue;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view name = entry->d_name;
      const bool temporary = name.size() == 10 && name.substr(0, 2) == ".~" &&
                             std::all_of(name.begin() + 2, name.end(), [](char c) {
                               return std::isalnum(static_cast<unsigned char>(c)) != 0;
                             });
      if (temporary && ::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
  }
  return removed;
}

bool WriteListUnderLock(const std::string& folder, std::string_view file,
                        const std::function<std::string()>& document, std::string* message) {
  std::string text;
  try {
    text = document();
  } catch (const std::bad_alloc&) {
    *message = "out of memory";
    return false;
  }
  if (!PrepareDataFolder(folder, message)) return false;
  // After a failure is noted on the list, not in its middle: that rewrite takes the lock too.
  const DataFolderLock lock(folder);
  if (!lock.locked()) {
    *message = lock.problem();
    return false;
  }
  const std::string path = InFolder(folder, file);
  if (!WriteWholeFile(path.c_str(), text.data(), text.size())) {
    *message = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace meridiana::service
