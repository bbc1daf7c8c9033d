// The flag names of a finished request, and the memory a response is read into.

#include <sys/mman.h>

#include <algorithm>
#include <utility>

#include "online/http_client.h"

namespace meridiana {

std::string HttpFlagNames(std::uint16_t flags) {
  static constexpr std::pair<std::uint16_t, const char*> kNames[] = {
      {kHttpAborted, "Aborted"},
      {kHttpDone, "Done"},
      {kHttpFailed, "Failed"},
      {kHttpRedirect, "Redirect"},
      {kHttpHostNotFound, "HostNotFound"},
      {kHttpSocketError, "SocketError"},
      {kHttpTimedOut, "TimedOut"},
  };
  std::string names;
  for (const auto& [bit, name] : kNames) {
    if (!(flags & bit)) continue;
    if (!names.empty()) names += '|';
    names += name;
  }
  return names;
}

bool ResponseBlock::Grow(std::size_t by) {
  if (data_ == nullptr) {
    void* block = mmap(nullptr, kReserved, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED) return false;
    data_ = static_cast<char*>(block);
  }
  if (by > kReserved - capacity_) return false;
  capacity_ += by;
  // Pages ahead of the data in one call, not one fault each.
  constexpr std::size_t kAhead = 256u << 10;
  if (capacity_ > populated_ && populated_ < kReserved) {
    const std::size_t length = std::min(kAhead, kReserved - populated_);
    if (populated_ >= kAhead) madvise(data_ + populated_, length, MADV_POPULATE_WRITE);
    populated_ += length;
  }
  return true;
}

void ResponseBlock::Free() {
  if (data_ != nullptr) munmap(data_, kReserved);
  data_ = nullptr;
  capacity_ = 0;
  populated_ = 0;
}

}  // namespace meridiana
