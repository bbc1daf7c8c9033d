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

bool ResponseBlock::Reserve(std::size_t size) {
  if (size > kReserved) return false;
  if (data_ == nullptr) {
    void* block = mmap(nullptr, kReserved, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED) return false;
    data_ = static_cast<char*>(block);
  }
  if (size <= capacity_) return true;
  capacity_ = std::min(kReserved, std::max(size, capacity_ == 0 ? kFirstRoom : 2 * capacity_));
  return true;
}

void ResponseBlock::Populate(std::size_t end) {
  end = std::min(end, capacity_);
  // Whole pages only: a partial one at either end is left to fault in when written.
  constexpr std::size_t kPage = 4096;
  const std::size_t from = (populated_ + kPage - 1) / kPage * kPage;
  const std::size_t to = end / kPage * kPage;
  if (data_ == nullptr || to <= from) return;
  madvise(data_ + from, to - from, MADV_POPULATE_WRITE);
  populated_ = to;
}

void ResponseBlock::Free() {
  if (data_ != nullptr) munmap(data_, kReserved);
  data_ = nullptr;
  capacity_ = 0;
  populated_ = 0;
}

}  // namespace meridiana
