#pragma once
// Ingests and live refreshes of one data folder take turns by an exclusive lock on a file inside
// it, ".lock", that only the folder's owner can open (mode 0600): a lock on the folder itself
// could be taken by any user who can read the folder, such as the web server's, and would stop
// every ingest and refresh for as long as that user liked.

#include <functional>
#include <string>
#include <string_view>

namespace meridiana::service {

inline constexpr const char* kLockFile = ".lock";
// Writers hold the lock for the time it takes to write a few files; one that waits longer than
// this reports it rather than hanging.
inline constexpr int kLockWaitMs = 30000;

class DataFolderLock {
 public:
  // Waits up to timeoutMs; the folder must exist. When it fails, locked() is false and
  // problem() says why in one line naming the lock file. Without create, a folder that has no
  // lock file yet (no writer has been there) is not locked.
  explicit DataFolderLock(const std::string& folder, int timeoutMs = kLockWaitMs,
                          bool create = true);
  ~DataFolderLock();
  DataFolderLock(const DataFolderLock&) = delete;
  DataFolderLock& operator=(const DataFolderLock&) = delete;

  bool locked() const { return fd_ >= 0; }
  const std::string& problem() const { return problem_; }

 private:
  int fd_ = -1;
  std::string problem_;
};

// Removes, under the lock, the temporary files (".~" and eight letters or digits) that writers
// killed midway left in the folder, clouds/ and errors/; how many. A folder that cannot be
// locked (read-only, say), or that no writer has locked yet, is left alone.
int RemoveLeftoverTemporaries(const std::string& folder);

// Writes a list the service serves (`file` in the folder, made by `document`) whole, under the
// lock, preparing the folder first; false with the reason in *message.
bool WriteListUnderLock(const std::string& folder, std::string_view file,
                        const std::function<std::string()>& document, std::string* message);

}  // namespace meridiana::service
