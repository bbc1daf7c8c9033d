#include "online/cloud_service.h"

#include <cctype>
#include <cstdio>

#include "foundation/file_util.h"
#include "foundation/text_util.h"
#include "map/image_load.h"
#include "online/data_provenance.h"
#include "online/http_message.h"

namespace meridiana {
namespace {

constexpr char kQueryStart[] = "/clouds/cloudv2.php?s=$ID&i=$MID&q=1";
constexpr TimeValue kListFreshSeconds = 10800;
constexpr int kGiveUpFailures = 3;
constexpr int kDownloadingImageText = 1417;
constexpr int kUnableToConnectText = 1418;
constexpr int kCompleteText = 1419;
constexpr int kConnectingText = 1420;
constexpr int kCheckingText = 1421;
constexpr int kDownloadingNewestText = 1422;
constexpr int kNotFoundText = 1425;
constexpr int kBadNameText = 1516;
constexpr int kListTooLargeText = 1517;
constexpr int kImageTooLargeText = 1518;

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && std::string_view(" \r\n\t").find(text.front()) != std::string_view::npos)
    text.remove_prefix(1);
  return text;
}

}  // namespace

bool IsFrameName(std::string_view t) {
  if (t.empty() || t.size() > 32) return false;
  for (char c : t)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return false;
  return true;
}

CloudService::CloudService(HttpClient& client, Host& host, const Clock& clock, std::string folder)
    : client_(client), host_(host), clock_(clock), folder_(std::move(folder)) {}

std::string CloudService::CachePath(std::string_view t, std::string_view extension) const {
  return folder_ + "/cache/" + std::string(t) + std::string(extension);
}

bool CloudService::StartRequest(std::string_view query, std::int32_t slot, HttpCallback reply) {
  const std::optional<std::string> url =
      host_.ServiceUrl(std::string(kQueryStart) + std::string(query));
  if (!url) return false;
  client_.StartRequest(*url, slot, std::move(reply));
  return true;
}

bool CloudService::ShowCachedFrame(const std::string& t, int slot) {
  if (!IsFrameName(t) || slot < 0 || slot >= kCloudSlots) return false;
  const std::string path = CachePath(t);
  DibPtr image = DibLoad(path.c_str(), kMapPictureMaxPixels);
  if (!image) return false;
  // The slot's file is always the picture of the slot's own name.
  frames_[slot].t = t;
  frames_[slot].file = path;
  current_ = slot;
  host_.ShowCloudImage(std::move(image));
  return true;
}

void CloudService::DownloadFrame(int slot) {
  if (!client_.Idle() || slot < 0 || slot >= kCloudSlots) return;
  CloudFrame& frame = frames_[slot];
  if (frame.failures >= kGiveUpFailures || !frame.t) return;
  if (ShowCachedFrame(*frame.t, slot)) return;
  if (!StartRequest("&f=1&t=" + *frame.t, slot, [this, slot](HttpRequest& request, std::int32_t) {
        return OnImageReply(request, slot);
      }))
    return;
  host_.ShowStatus(0, host_.Text(kDownloadingImageText) + " (" + *frame.t + ")");
}

void CloudService::DownloadList() {
  if (!client_.Idle()) return;
  for (CloudFrame& frame : frames_) frame.failures = 0;
  if (!StartRequest("&checkonly=1&n=12", 0,
                    [this](HttpRequest& request, std::int32_t) { return OnListReply(request); }))
    return;
  host_.ShowStatus(0, host_.Text(kConnectingText));
}

void CloudService::CheckNewest(bool asked) {
  if (!client_.Idle()) return;
  frames_[0].failures = 0;
  if (!StartRequest(asked ? "&checkonly=1&refresh=1" : "&checkonly=1", 0,
                    [this](HttpRequest& request, std::int32_t) { return OnCheckReply(request); }))
    return;
  host_.ShowStatus(1, host_.Text(kCheckingText));
}

void CloudService::StepFrames(int index, int direction) {
  if (!client_.Idle()) return;
  const TimeValue now = clock_.Now();
  if (lastList_ == 0 || now - lastList_ > kListFreshSeconds) {
    pendingIndex_ = index;
    pendingDirection_ = direction;
    DownloadList();
    return;
  }
  for (int walked = 0; walked < kCloudSlots; ++walked) {
    if (index == kPlayFromOldest) {
      index = kCloudSlots - 1;
    } else if (index == kShowNewest) {
      index = 0;
    } else if (direction == kTowardsNewer) {
      if (--index < 0) {
        if (!host_.LoopAnimation()) {
          host_.StopAnimationTimer();
          current_ = 0;
          host_.UpdateAnimationCommands();
          return;
        }
        if (!host_.AnimationRunning()) return;
        index = kCloudSlots - 1;
      }
    } else if (++index >= kCloudSlots) {
      return;  // past the oldest: the last slot visited stays current
    }
    CloudFrame& frame = frames_[index];
    if (!frame.t || frame.failures >= kGiveUpFailures) {
      current_ = index;
      return;
    }
    if (!frame.file) {
      DownloadFrame(index);
      return;
    }
    if (DibPtr image = DibLoad(frame.file->c_str(), kMapPictureMaxPixels)) {
      current_ = index;
      host_.ShowAnimationFrame(*image);
      return;
    }
    current_ = index;  // the cached file has gone: on to the next slot
  }
}

int CloudService::OnListReply(HttpRequest& request) {
  if (request.flags & kHttpRedirect) return 2;
  if (request.flags & kHttpFailed) {
    host_.ShowStatus(0, host_.Text(kUnableToConnectText));
    return 0;
  }
  const std::string_view received = request.Received();
  const std::string_view text = received.substr(0, received.find('\0'));
  const std::string listCopy = folder_ + "/cache.tmp";
  WriteWholeFile(listCopy.c_str(), text.data(), text.size());

  const std::string_view body = request.Body();
  if (body.size() > kMaxCloudListBytes) {
    host_.ShowStatus(0, FillPlaceholders(host_.Text(kListTooLargeText),
                                         {std::to_string(kMaxCloudListBytes >> 10)}));
    return 0;
  }
  if (CheckReply(body, host_) == 0 && FindIgnoringCase(body, "<image ") != std::string_view::npos) {
    // Read before anything changes: a name that cannot be a file refuses the whole list.
    std::array<CloudFrame, kCloudSlots> listed{};
    int count = 0;
    for (const MarkupToken& token : ScanMarkup(SkipBlanks(body), 0)) {
      if (count == kCloudSlots) break;
      if (!TagIs(token, "IMAGE")) continue;
      CloudFrame& frame = listed[count++];
      frame.t = AttributeValue(token, "t");
      if (!frame.t || !IsFrameName(*frame.t)) {
        host_.ShowStatus(0, host_.Text(kBadNameText));
        return 0;
      }
      // Kept in config.ini: never a line break, nor a line too long to be read back.
      if (const std::optional<std::string> m = AttributeValue(token, "m"))
        frame.m = PlainTextLine(*m, kMaxFrameNoteBytes);
      frame.s = static_cast<int>(AttributeInt(token, "s"));
      frame.q = static_cast<int>(AttributeInt(token, "q"));
    }
    // Files of images still listed survive under a .tmp name; the rest go. Only a file under its
    // own name moves: anything else would become another image's picture.
    for (CloudFrame& frame : frames_) {
      if (frame.t && frame.file && *frame.file == CachePath(*frame.t))
        std::rename(frame.file->c_str(), CachePath(*frame.t, ".tmp").c_str());
    }
    for (int slot = 0; slot < kCloudSlots; ++slot) {
      listed[slot].failures = frames_[slot].failures;
      frames_[slot] = std::move(listed[slot]);
    }
    for (const CloudFrame& frame : frames_)
      if (frame.m && frame.t)
        std::rename(CachePath(*frame.t, ".tmp").c_str(), CachePath(*frame.t).c_str());
    DeleteMatching((folder_ + "/cache/*.tmp").c_str(), '/');
    lastList_ = clock_.Now();
    provenance_ = ReadProvenance(body, "IMAGES");
    host_.PostPendingStep();
  }
  host_.ShowStatus(0, host_.Text(kCompleteText));
  if (provenance_.refreshFailed) host_.ShowRefreshFailure(provenance_);
  return 1;
}

int CloudService::OnImageReply(HttpRequest& request, int slot) {
  if (request.flags & kHttpRedirect) return 2;
  CloudFrame& frame = frames_[slot];
  if (request.flags & kHttpFailed) {
    if (request.status == 404) {
      host_.ShowStatus(0, FillPlaceholder(host_.Text(kNotFoundText), frame.t.value_or("")));
      frame.failures = 404;
      current_ = slot;
    } else {
      host_.ShowStatus(0, host_.Text(kUnableToConnectText));
      ++frame.failures;
      host_.PostStop();
    }
    return 0;
  }
  const std::string_view body = request.Body();
  if (body.size() > kMaxCloudImageBytes) {
    host_.ShowStatus(0, FillPlaceholders(host_.Text(kImageTooLargeText),
                                         {std::to_string(kMaxCloudImageBytes >> 20)}));
    return 0;
  }
  if (StartsWithIgnoringCase(body, "<?xml")) return static_cast<int>(CheckReply(body, host_));
  if (!body.empty() && frame.t && IsFrameName(*frame.t)) {
    const std::string path = CachePath(*frame.t);
    if (WriteWholeFile(path.c_str(), body.data(), body.size())) ShowCachedFrame(*frame.t, slot);
  }
  host_.ShowStatus(0, host_.Text(kCompleteText));
  return 1;
}

int CloudService::OnCheckReply(HttpRequest& request) {
  if (request.flags & kHttpRedirect) return 2;
  if (request.flags & kHttpFailed) {
    host_.ShowStatus(0, host_.Text(kUnableToConnectText));
    return 0;
  }
  const std::string_view received = request.Received();
  const std::optional<std::size_t> end = FindHeaderEnd(received);
  if (!end) return 0;
  const std::string_view body = SkipBlanks(received.substr(*end));
  // The newest frame's list says, as the whole list does, whether the service's last refresh
  // failed: a Refresh that could not reach the source is told so.
  provenance_ = ReadProvenance(body, "IMAGES");
  if (provenance_.refreshFailed) host_.ShowRefreshFailure(provenance_);
  const std::size_t image = FindIgnoringCase(body, "<image");
  if (image == std::string_view::npos) return 1;
  const std::size_t name = body.find("t=", image);
  if (name == std::string_view::npos) return 1;
  std::string_view value = body.substr(name + 2);
  while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
  if (!value.empty() && value.front() == '"') value.remove_prefix(1);
  const std::string t(value.substr(0, value.find('"')));
  if (!IsFrameName(t)) {
    host_.ShowStatus(0, host_.Text(kBadNameText));
    return 0;
  }
  if (!ShowCachedFrame(t, 0)) {
    // Slot 0 now names another picture: the one it held stays cached under its own name.
    if (frames_[0].t != t) frames_[0].file.reset();
    frames_[0].t = t;
    // Asked for by its name: the service's newest may have moved on since it answered.
    StartRequest("&f=1&t=" + t, 0,
                 [this](HttpRequest& reply, std::int32_t) { return OnImageReply(reply, 0); });
    host_.ShowStatus(1, host_.Text(kDownloadingNewestText));
  }
  return 1;
}

}  // namespace meridiana
