#include "service/cloud_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <set>

#include "service/cloud_ingest.h"
#include "service/cloud_picture.h"
#include "service/data_folder.h"
#include "service/picture_validators.h"
#include "service/upstream_download.h"
#include "service/wms_request.h"

namespace meridiana::service {
namespace {

// The chain --live uses; data/SOURCES.md says why each, and on what terms.
struct KnownSource {
  const char* text;
  const char* name;
};
constexpr KnownSource kDefaults[] = {
    // NOAA/NESDIS Global Mosaic of Geostationary Satellite Imagery, longwave infrared, hourly.
    {"wms:https://nowcoast.noaa.gov/geoserver/satellite/wms?SERVICE=WMS"
     "&LAYERS=global_longwave_imagery_mosaic&CRS=CRS:84&FORMAT=image/png",
     "nowcoast"},
    // EUMETSAT's multi-satellite world cloud map, infrared 10.8 um, three-hourly.
    {"wms:https://view.eumetsat.int/geoserver/wms?SERVICE=WMS&LAYERS=mumi:worldcloudmap_ir108"
     "&FORMAT=image/png",
     "eumetsat"},
    // A greyscale cloud map made from EUMETSAT data every three hours, at a fixed address.
    {"image:https://clouds.matteason.co.uk/images/2048x1024/clouds.jpg", "matteason"},
};

constexpr const char* kForbidEnvironment = "MERIDIANA_FORBID_DEFAULT_SOURCES";
constexpr std::size_t kMaxPictureBytes = std::size_t{32} << 20;
constexpr std::chrono::seconds kPictureDeadline{30};
// What one source may take of a refresh, all its downloads together, before the next is tried.
constexpr std::chrono::seconds kSourceBudget{60};
constexpr std::size_t kMaxProblemLength = 300;

const KnownSource* Known(const std::string& text) {
  for (const KnownSource& known : kDefaults)
    if (text == known.text) return &known;
  return nullptr;
}

long long NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  if (text.size() > kMaxProblemLength) text.resize(kMaxProblemLength);
  return text;
}

// Tests and offline builds name their own sources; a default one reached from there would be
// traffic to the internet, so it is refused and the attempt written down.
bool DefaultSourcesForbidden(const CloudSourceSpec& spec) {
  const char* log = std::getenv(kForbidEnvironment);
  if (!log || !*log || !Known(spec.text)) return false;
  const int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd >= 0) {
    const std::string line = spec.url + "\n";
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
  }
  return true;
}

// What one source gave in one refresh.
struct Attempt {
  bool ok = false;
  bool nothingNew = false;  // answered, with nothing newer than the folder holds
  std::string problem;
  std::vector<NewCloudFrame> frames;
  long long newest = 0;  // instant of the newest new frame
  long long claimed = 0;  // the time a picture stated, when it lay ahead of the source's clock
};

struct HeldFrames {
  std::set<long long> instants;  // of live frames; empty while the sample is held
  bool sample = false;
  Provenance provenance;
};

HeldFrames ReadHeld(const std::string& dataFolder) {
  HeldFrames held;
  held.provenance = ListedProvenance(dataFolder);
  held.sample = held.provenance.sample;
  if (!held.sample)
    for (const FrameEntry& frame : ListedFrames(dataFolder))
      held.instants.insert(InstantOfFrameTime(frame.t));
  return held;
}

class CloudChain final : public LiveSource {
 public:
  CloudChain(std::vector<CloudSourceSpec> specs, std::chrono::seconds cadence)
      : specs_(std::move(specs)), cadence_(std::max(cadence, std::chrono::seconds(60))) {}

  std::string Kind() const override { return "clouds"; }
  std::chrono::seconds Cadence() const override { return cadence_; }

  std::string Describe() const override {
    std::string lines;
    for (const CloudSourceSpec& spec : specs_) {
      if (!lines.empty()) lines += '\n';
      lines += "clouds from ";
      lines += spec.name;
      lines += spec.kind == CloudSourceSpec::Kind::kWms ? " (WMS): " : " (picture): ";
      lines += spec.url;
    }
    return lines;
  }

  std::optional<std::chrono::system_clock::time_point> HeldSince(
      const std::string& dataFolder) const override {
    const Provenance provenance = ListedProvenance(dataFolder);
    if (provenance.sample || provenance.updated == 0) return std::nullopt;
    // Publishers post a frame hours after its time, so the newest frame is always older than
    // the cadence: a source that answered lately is not due again until a cadence after that,
    // or every request would ask it for hours it has not posted yet.
    // Never later than now, so that lists dated ahead still come due on the cadence.
    return std::chrono::system_clock::time_point(std::chrono::seconds(
        std::min(std::max(provenance.updated, lastAnswered_.load()), NowSeconds())));
  }

  bool Refresh(const std::string& dataFolder, std::stop_token stop, std::string* message) override {
    if (specs_.empty()) {
      *message = "no cloud sources";
      return false;
    }
    const HeldFrames held = ReadHeld(dataFolder);
    std::string problems;
    for (const CloudSourceSpec& spec : specs_) {
      if (stop.stop_requested()) {
        *message = "stopped";
        return false;
      }
      Attempt attempt;
      if (DefaultSourcesForbidden(spec))
        attempt.problem = "default sources are forbidden here";
      else if (spec.kind == CloudSourceSpec::Kind::kWms)
        attempt = AskWms(spec, held, stop);
      else
        attempt = AskImage(spec, held, dataFolder, stop);
      if (attempt.ok && attempt.nothingNew && held.instants.empty())
        attempt = Attempt{false, false, "nothing to replace the sample with", {}, 0};
      const bool answered = attempt.ok;
      const std::string problem = answered ? std::string() : std::move(attempt.problem);
      if (answered && Keep(spec, std::move(attempt), held, dataFolder, message)) {
        lastAnswered_ = NowSeconds();
        return true;
      }
      if (!problems.empty()) problems += "; ";
      problems += spec.name;
      problems += ": ";
      problems += answered ? *message : problem;
    }
    *message = OneLine(specs_.size() == 1 ? problems : "every cloud source failed: " + problems);
    return false;
  }

  void MarkFailed(const std::string& dataFolder, std::chrono::system_clock::time_point when,
                  const std::string& problem) override {
    Provenance provenance = ListedProvenance(dataFolder);
    provenance.failed =
        std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count();
    provenance.problem = OneLine(problem);
    std::string ignored;
    RewriteListedProvenance(dataFolder, provenance, &ignored);
  }

 private:
  bool Keep(const CloudSourceSpec& spec, Attempt attempt, const HeldFrames& held,
            const std::string& dataFolder, std::string* message) {
    if (attempt.frames.empty()) {
      // Answered with nothing newer: a success all the same, which clears a failure noted.
      Provenance provenance = held.provenance;
      if (provenance.failed != 0 || !provenance.problem.empty()) {
        provenance.failed = 0;
        provenance.problem.clear();
        if (!RewriteListedProvenance(dataFolder, provenance, message)) return false;
      }
      *message = spec.name + ": nothing newer than the frames held";
      return true;
    }
    CloudIngestOptions options;
    options.source = spec.name;
    options.provenance.source = spec.name;
    options.provenance.updated =
        std::max(attempt.newest, held.instants.empty() ? 0 : *held.instants.rbegin());
    options.provenance.claimed = attempt.claimed;
    if (!IngestCloudFrames(std::move(attempt.frames), dataFolder, options, message)) return false;
    *message = spec.name + ": " + *message;
    return true;
  }

  Attempt AskWms(const CloudSourceSpec& spec, const HeldFrames& held, std::stop_token stop) const {
    Attempt attempt;
    const bool holdsTwelve = held.instants.size() >= static_cast<std::size_t>(kMaxListedFrames);
    const std::vector<long long> instants =
        WmsInstantsToAsk(NowSeconds(), cadence_.count(), held.instants, holdsTwelve);
    bool onlyNothingThere = true;
    const auto until = std::chrono::steady_clock::now() + kSourceBudget;
    for (const long long instant : instants) {
      if (stop.stop_requested()) {
        attempt.problem = "stopped";
        return attempt;
      }
      const auto left = until - std::chrono::steady_clock::now();
      if (left < std::chrono::seconds(1)) {
        if (attempt.frames.empty())
          attempt.problem = "no frame within " + std::to_string(kSourceBudget.count()) + " s";
        onlyNothingThere = false;
        break;
      }
      DownloadRequest request;
      request.url = GetMapUrl(spec.url, instant);
      request.maxBytes = kMaxPictureBytes;
      request.deadline = std::min<std::chrono::steady_clock::duration>(kPictureDeadline, left);
      request.stop = stop;
      DownloadResult result = Download(request);
      if (result.outcome != DownloadResult::Outcome::kBody) {
        attempt.problem = result.outcome == DownloadResult::Outcome::kNotModified
                              ? "a GetMap answered 304 Not Modified"
                              : result.problem;
        onlyNothingThere = false;
        // No answer at all (refused, timed out, a bad certificate), or one that drips: the
        // server is not there for the older instants either.
        if (result.status == 0 || result.timedOut) break;
        continue;
      }
      std::string problem;
      bool nothingThere = false;
      DibPtr frame = PictureToFrame(result.body, kInfraredCurve, &problem, &nothingThere);
      if (!frame) {
        attempt.problem = "at " + FrameTimeOf(instant) + ": " + problem;
        onlyNothingThere = onlyNothingThere && nothingThere;
        continue;
      }
      // A server that answers the nearest time it holds sends one picture for several instants.
      if (!attempt.frames.empty() && attempt.frames.back().picture->pixels == frame->pixels)
        continue;
      if (attempt.frames.empty()) attempt.newest = instant;
      attempt.frames.push_back({FrameTimeOf(instant), std::move(frame)});
      if (attempt.frames.size() >= static_cast<std::size_t>(kMaxListedFrames)) break;
    }
    attempt.ok = !attempt.frames.empty() || (!held.instants.empty() && onlyNothingThere);
    attempt.nothingNew = attempt.frames.empty();
    if (!attempt.ok && attempt.problem.empty()) attempt.problem = "no frame instant to ask for";
    return attempt;
  }

  Attempt AskImage(const CloudSourceSpec& spec, const HeldFrames& held,
                   const std::string& dataFolder, std::stop_token stop) const {
    Attempt attempt;
    // Only a picture whose frame the folder still holds may be asked for conditionally.
    std::optional<PictureValidators> known = ReadPictureValidators(dataFolder, spec.url);
    if (known && !held.instants.count(known->instant)) known.reset();
    DownloadRequest request;
    request.url = spec.url;
    request.maxBytes = kMaxPictureBytes;
    request.deadline = kPictureDeadline;
    request.stop = stop;
    if (known) {
      request.ifNoneMatch = known->etag;
      request.ifModifiedSince = known->lastModified;
    }
    DownloadResult result = Download(request);
    if (result.outcome == DownloadResult::Outcome::kNotModified) {
      attempt.ok = attempt.nothingNew = true;
      return attempt;
    }
    if (result.outcome == DownloadResult::Outcome::kFailed) {
      attempt.problem = result.problem;
      return attempt;
    }
    long long modified = ParseHttpDate(result.lastModified);
    // A picture dated ahead of the source's clock would stay the newest frame for as long.
    if (const long long present = ReplyPresent(result); modified > present + kClockSkewSeconds) {
      attempt.claimed = modified;
      modified = present;
    }
    if (modified <= 0) {
      attempt.problem = "the picture has no Last-Modified date, so its time is unknown";
      return attempt;
    }
    PictureValidators validators;
    validators.instant = modified / 60 * 60;
    validators.digest = PictureDigest(result.body);
    validators.etag = result.etag;
    validators.lastModified = result.lastModified;
    // The same picture again, under its old date or a new one, is not a new frame.
    const bool taken = held.instants.count(validators.instant) != 0;
    if (taken || (known && known->digest == validators.digest)) {
      if (!taken) validators.instant = known->instant;
      WritePictureValidators(dataFolder, spec.url, validators);
      attempt.ok = attempt.nothingNew = true;
      return attempt;
    }
    std::string problem;
    DibPtr frame = PictureToFrame(result.body, kCloudMapCurve, &problem);
    if (!frame) {
      attempt.problem = problem;
      return attempt;
    }
    WritePictureValidators(dataFolder, spec.url, validators);
    attempt.ok = true;
    attempt.newest = validators.instant;
    attempt.frames.push_back({FrameTimeOf(validators.instant), std::move(frame)});
    return attempt;
  }

  const std::vector<CloudSourceSpec> specs_;
  const std::chrono::seconds cadence_;
  std::atomic<long long> lastAnswered_{0};  // when a refresh last succeeded in this process
};

}  // namespace

std::vector<std::string> DefaultCloudSources() {
  std::vector<std::string> sources;
  for (const KnownSource& known : kDefaults) sources.emplace_back(known.text);
  return sources;
}

bool IsCloudSource(const std::string& text, std::string* problem) {
  CloudSourceSpec spec;
  std::string ignored;
  return ParseCloudSource(text, &spec, problem ? problem : &ignored);
}

std::unique_ptr<LiveSource> MakeCloudChain(std::vector<std::string> sources,
                                           std::chrono::seconds cadence) {
  std::vector<CloudSourceSpec> specs;
  for (const std::string& text : sources) {
    CloudSourceSpec spec;
    std::string problem;
    if (!ParseCloudSource(text, &spec, &problem)) continue;  // callers check with IsCloudSource
    if (const KnownSource* known = Known(text)) spec.name = known->name;
    specs.push_back(std::move(spec));
  }
  return std::make_unique<CloudChain>(std::move(specs), cadence);
}

}  // namespace meridiana::service
