#pragma once
// The satellite cloud frames: the service's list of the twelve newest images, each image fetched
// into the cache folder when first wanted, one shown as the cloud layer, Next and Previous
// through them and the animation. One transfer at a time: nothing starts while one runs.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "online/data_provenance.h"
#include "online/http_client.h"
#include "online/service_reply.h"

namespace meridiana {

inline constexpr int kCloudSlots = 12;
// The current index before a list arrived: play from the oldest, or show the newest.
inline constexpr int kPlayFromOldest = -3;
inline constexpr int kShowNewest = -2;
// Stepping directions: towards newer frames (Next, playing), towards older ones (Previous).
inline constexpr int kTowardsNewer = -1;
inline constexpr int kTowardsOlder = 1;

// Slot 0 is the newest image, slot 11 the oldest. A slot without t is empty.
struct CloudFrame {
  std::optional<std::string> file;  // the cached picture, once shown since start-up
  std::optional<std::string> m;
  std::optional<std::string> t;  // the image's name and time stamp (YYYYMMDDHH...), UTC
  int s = 0;
  int q = 0;
  int failures = 0;  // failed downloads; 404 after "not found"
};

// Whether a service's t can name a cache file: 1 to 32 letters, digits, "-" and "_".
bool IsFrameName(std::string_view t);

// A frame's m as it is kept: the service's text without control characters, at most this long.
inline constexpr std::size_t kMaxFrameNoteBytes = 255;

// Replies larger than these are refused.
inline constexpr std::size_t kMaxCloudListBytes = 256u << 10;
inline constexpr std::size_t kMaxCloudImageBytes = 16u << 20;

class CloudService {
 public:
  class Host : public ServiceReplyHost {
   public:
    virtual void ShowStatus(int part, std::string_view text) = 0;
    virtual std::string Text(int stringId) = 0;
    // The service URL for a path and query, its template keys filled in for now.
    virtual std::optional<std::string> ServiceUrl(std::string_view pathAndQuery) = 0;
    // The picture becomes the cloud layer: compose the map again and refresh the window.
    virtual void ShowCloudImage(DibPtr image) = 0;
    // One frame of the animation over the current base map, then repaint.
    virtual void ShowAnimationFrame(const Dib& image) = 0;
    virtual bool AnimationRunning() = 0;
    virtual void StopAnimationTimer() = 0;
    virtual bool LoopAnimation() = 0;
    virtual void UpdateAnimationCommands() = 0;
    // Later turns of the event loop: run the pending step, or the Stop command.
    virtual void PostPendingStep() = 0;
    virtual void PostStop() = 0;
    // The list says the service's last download from its sources failed: the frames it lists
    // are the last good ones.
    virtual void ShowRefreshFailure(const DataProvenance&) {}
  };

  // folder: where "cache" and "cache.tmp" live (the user folder).
  CloudService(HttpClient& client, Host& host, const Clock& clock, std::string folder);

  std::array<CloudFrame, kCloudSlots>& frames() { return frames_; }
  const std::array<CloudFrame, kCloudSlots>& frames() const { return frames_; }
  int current() const { return current_; }
  void SetCurrent(int index) { current_ = index; }
  TimeValue lastListTime() const { return lastList_; }
  // Where the listed frames came from, as the last list said.
  const DataProvenance& provenance() const { return provenance_; }
  // The next step asks for the list again (the service has changed).
  void ForgetList() {
    lastList_ = 0;
    provenance_ = {};
  }
  // The cache file of an image name: FOLDER/cache/T.jpg.
  std::string CachePath(std::string_view t, std::string_view extension = ".jpg") const;

  bool ShowCachedFrame(const std::string& t, int slot);
  void DownloadFrame(int slot);
  void DownloadList();
  // asked: the user's Refresh, which has the service revalidate its live data now (refresh=1)
  // rather than when its cadence says; the hourly check does not.
  void CheckNewest(bool asked = false);
  void StepFrames(int index, int direction);
  void RunPendingStep() { StepFrames(pendingIndex_, pendingDirection_); }

  int OnListReply(HttpRequest& request);
  int OnImageReply(HttpRequest& request, int slot);
  int OnCheckReply(HttpRequest& request);

 private:
  bool StartRequest(std::string_view query, std::int32_t slot, HttpCallback reply);

  HttpClient& client_;
  Host& host_;
  const Clock& clock_;
  std::string folder_;
  std::array<CloudFrame, kCloudSlots> frames_{};
  int current_ = 0;
  TimeValue lastList_ = 0;
  DataProvenance provenance_;
  int pendingIndex_ = kShowNewest;
  int pendingDirection_ = kTowardsOlder;
};

}  // namespace meridiana
