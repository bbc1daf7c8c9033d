#pragma once
// The reply files of a data folder, kept in memory and read again when a file changes on disk:
// an ingest (which renames new files into place) shows at the next request, without a restart.
// Safe to use from many threads at once.

#include <sys/types.h>

#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace meridiana::service {

// The program's own client takes replies of up to 32 MiB; a larger file is never served.
inline constexpr std::size_t kMaxReplyFileBytes = std::size_t{32} << 20;
// Files of frames long dropped are forgotten once this many are held.
inline constexpr std::size_t kMaxHeldReplyFiles = 64;

class ReplyFiles {
 public:
  explicit ReplyFiles(std::string folder) : folder_(std::move(folder)) {}

  // The file's bytes as they are on disk now; null when it is not a regular file there, cannot
  // be read or is larger than kMaxReplyFileBytes.
  std::shared_ptr<const std::string> Get(const std::string& relative);

  // How many files are held, for tests.
  std::size_t HeldCount();

 private:
  struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const Identity& o) const {
      return device == o.device && inode == o.inode && size == o.size &&
             modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
  };
  struct Entry {
    Identity identity;
    std::shared_ptr<const std::string> bytes;
  };

  std::shared_ptr<const std::string> Load(const std::string& relative, const std::string& path);
  void ForgetGoneFiles();  // with mutex_ held

  std::string folder_;
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace meridiana::service
