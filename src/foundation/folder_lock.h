#pragma once
// An advisory lock (flock) on a folder, held while the object lives, so that programs changing
// the files in one folder by reading, changing and writing them back take turns instead of
// losing each other's changes. The folder itself is locked: no lock file appears among the files.

#include <string>

namespace meridiana {

class FolderLock {
 public:
  // Waits for the lock up to timeoutMs (a negative value waits as long as it takes). The folder
  // must exist; locked() is false when it cannot be opened or the wait ran out.
  explicit FolderLock(const std::string& folder, int timeoutMs = -1);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace meridiana
