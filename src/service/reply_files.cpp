#include "service/reply_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace meridiana::service {
namespace {

template <typename Identity>
bool IdentityOf(const struct stat& info, Identity* identity) {
  if (!S_ISREG(info.st_mode)) return false;
  identity->device = info.st_dev;
  identity->inode = info.st_ino;
  identity->size = info.st_size;
  identity->modified = info.st_mtim;
  return true;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::shared_ptr<const std::string> ReplyFiles::Get(const std::string& relative) {
  const std::string path = folder_ + "/" + relative;
  struct stat info {};
  Identity now;
  if (::stat(path.c_str(), &info) != 0 || !IdentityOf(info, &now)) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.erase(relative);
    return nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = entries_.find(relative);
    if (found != entries_.end() && found->second.identity == now) return found->second.bytes;
  }
  return Load(relative, path);
}

std::shared_ptr<const std::string> ReplyFiles::Load(const std::string& relative,
                                                    const std::string& path) {
  // The identity stored is that of the descriptor read, so a file renamed into place between
  // the look and the read is read again at the next request.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  Identity identity;
  if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !IdentityOf(info, &identity) ||
      static_cast<unsigned long long>(info.st_size) > kMaxReplyFileBytes)
    return nullptr;
  std::shared_ptr<std::string> bytes;
  try {
    bytes = std::make_shared<std::string>(static_cast<std::size_t>(info.st_size), '\0');
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  std::size_t done = 0;
  while (done < bytes->size()) {
    const ssize_t n = ::read(fd.get(), bytes->data() + done, bytes->size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return nullptr;  // shorter than it was a moment ago: being replaced in place
    done += static_cast<std::size_t>(n);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (entries_.size() >= kMaxHeldReplyFiles) ForgetGoneFiles();
  if (entries_.size() < kMaxHeldReplyFiles || entries_.count(relative))
    entries_[relative] = Entry{identity, bytes};
  return bytes;
}

void ReplyFiles::ForgetGoneFiles() {
  for (auto it = entries_.begin(); it != entries_.end();) {
    struct stat info {};
    Identity now;
    const std::string path = folder_ + "/" + it->first;
    if (::stat(path.c_str(), &info) != 0 || !IdentityOf(info, &now) ||
        !(now == it->second.identity))
      it = entries_.erase(it);
    else
      ++it;
  }
}

std::size_t ReplyFiles::HeldCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

}  // namespace meridiana::service
