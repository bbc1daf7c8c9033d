// meridiana-cli quakes, aurora and clouds: the window's earthquake and aurora downloads and cloud
// frames on the poll() loop, against the service the program uses (or --service), printed as
// text.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "bundled_service.h"
#include "cli_support.h"
#include "commands.h"
#include "foundation/file_key_value_store.h"
#include "foundation/file_util.h"
#include "foundation/localized_strings.h"
#include "online/aurora_feed.h"
#include "online/cloud_service.h"
#include "online/data_provenance.h"
#include "online/live_data.h"
#include "online/poll_event_loop.h"
#include "online/quake_feed.h"
#include "online/service_address.h"
#include "resources/embedded.h"

namespace meridiana::cli {
namespace {

constexpr char kQuakesUsage[] = "usage: meridiana-cli quakes [--service URL]\n";
constexpr char kAuroraUsage[] = "usage: meridiana-cli aurora [--service URL]\n";
constexpr char kCloudsUsage[] =
    "usage: meridiana-cli clouds [--service URL] [--cache DIR] [--frames N]\n";

struct OnlineOptions {
  std::string service;
  std::string cache;
  int frames = 1;
};

bool ParseOnlineOptions(const Args& args, bool clouds, OnlineOptions* options) {
  for (std::size_t i = 0; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return false;
    const std::string& value = args[i + 1];
    if (args[i] == "--service") {
      if (!IsServiceAddress(value)) {
        std::fprintf(stderr,
                     "meridiana-cli: '%s' is not a service address "
                     "(http://HOST[:PORT] or https://HOST[:PORT])\n",
                     value.c_str());
        return false;
      }
      options->service = value;
    } else if (clouds && args[i] == "--cache") {
      options->cache = value;
    } else if (clouds && args[i] == "--frames") {
      const auto frames = WholeNumberOption("clouds", "--frames", value, 0, kCloudSlots);
      if (!frames) return false;
      options->frames = static_cast<int>(*frames);
    } else {
      return false;
    }
  }
  return true;
}

// The client and loop of one command, with the service's URLs made as the window makes them.
struct Session {
  explicit Session(std::string address) : address(std::move(address)) {
    resolver = MakeCaresResolver(loop);
    if (!resolver) return;
    client = std::make_unique<HttpClient>(loop, *resolver);
    client->Initialize("Quillary Meridiana",
                       [](int event, const HttpRequest*, const HttpEventValue& value) {
                         if (event == kHttpEventSocketError)
                           std::fprintf(stderr, "%s\n", SocketErrorText(value.number).c_str());
                       });
  }
  std::optional<std::string> Url(std::string_view path) {
    return ServiceUrl(address, path, world, clock.Now(), LinkContext{});
  }
  void Finish() {
    while (client && !client->Idle() && loop.RunOnce(1000)) {
    }
  }
  std::string address;
  PollEventLoop loop;
  SystemClock clock;
  WorldData world;
  std::unique_ptr<HostResolver> resolver;
  std::unique_ptr<HttpClient> client;
};

// The default service is the bundled one, run for the command beside this program; where it is
// not installed, the address is asked as it stands.
std::string AddressFrom(const OnlineOptions& options, BundledService* bundled) {
  if (!options.service.empty()) return options.service;
  FileKeyValueStore store(FileKeyValueStore::DefaultConfigFolder(), DefaultDataFolder());
  const std::string configured = ServiceAddress(&store);
  const std::string program = ProgramFolder() + "/meridiana-service";
  if (configured != kDefaultServiceAddress || ::access(program.c_str(), X_OK) != 0)
    return configured;
  // Live data as the window would have it.
  const LiveDataChoice live = ReadLiveData(&store);
  return bundled->Start(program,
                        BundledServiceArguments(live.on, live.on ? PrepareLiveDataFolder() : ""));
}

void PrintProvenance(const DataProvenance& provenance, const std::string& sampleWhat,
                     TimeValue now) {
  for (const std::string& line : ProvenanceReport(provenance, sampleWhat, now))
    std::printf("%s\n", line.c_str());
}

std::string English(int id) {
  static const StringTable kTable = ParseStringTable(resources::StringTableText());
  const auto found = kTable.find(id);
  return found != kTable.end() ? found->second : std::string();
}

class PrintingQuakeHost : public QuakeFeed::Host {
 public:
  explicit PrintingQuakeHost(Session& session) : session_(session) {}
  void StopCloudAnimation() override {}
  void ShowServiceError(std::string_view text) override {
    std::fprintf(stderr, "Error: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  void ShowStatus(std::string_view text) override { status = std::string(text); }
  void RepaintMap() override {}
  std::string Text(int id) override { return English(id); }
  std::optional<std::string> ServiceUrl(std::string_view path) override {
    return session_.Url(path);
  }
  std::string status;

 private:
  Session& session_;
};

class PrintingCloudHost : public CloudService::Host {
 public:
  explicit PrintingCloudHost(Session& session) : session_(session) {}
  void StopCloudAnimation() override {}
  void ShowServiceError(std::string_view text) override {
    std::fprintf(stderr, "Error: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  void ShowStatus(int part, std::string_view text) override {
    if (part == 0) status = std::string(text);
  }
  std::string Text(int id) override { return English(id); }
  std::optional<std::string> ServiceUrl(std::string_view path) override {
    return session_.Url(path);
  }
  void ShowCloudImage(DibPtr) override {}
  void ShowAnimationFrame(const Dib&) override {}
  bool AnimationRunning() override { return false; }
  void StopAnimationTimer() override {}
  bool LoopAnimation() override { return false; }
  void UpdateAnimationCommands() override {}
  void PostPendingStep() override {}
  void PostStop() override {}
  std::string status;

 private:
  Session& session_;
};

}  // namespace

int RunQuakes(const Args& args) {
  OnlineOptions options;
  if (!ParseOnlineOptions(args, false, &options)) {
    std::fprintf(stderr, "%s", kQuakesUsage);
    return 2;
  }
  BundledService bundled;
  Session session(AddressFrom(options, &bundled));
  if (!session.client) {
    std::fprintf(stderr, "meridiana-cli quakes: cannot start the host lookup\n");
    return 1;
  }
  PrintingQuakeHost host(session);
  QuakeFeed feed(*session.client, host);
  if (!feed.Download()) {
    std::fprintf(stderr, "meridiana-cli quakes: no service address\n");
    return 1;
  }
  session.Finish();
  const std::string range = QuakeRangeText(feed.records(), {});
  if (feed.HasList()) PrintProvenance(feed.provenance(), range, session.clock.Now());
  for (const QuakeRecord& quake : feed.records())
    std::printf("%s\t%g\t%g\t%g\t%g\n", quake.time.c_str(), quake.latitude, quake.longitude,
                quake.magnitude, quake.depth);
  std::printf("%s\n", host.status.c_str());
  return feed.HasList() ? 0 : 1;
}

int RunAurora(const Args& args) {
  OnlineOptions options;
  if (!ParseOnlineOptions(args, false, &options)) {
    std::fprintf(stderr, "%s", kAuroraUsage);
    return 2;
  }
  BundledService bundled;
  Session session(AddressFrom(options, &bundled));
  if (!session.client) {
    std::fprintf(stderr, "meridiana-cli aurora: cannot start the host lookup\n");
    return 1;
  }
  PrintingQuakeHost host(session);
  AuroraFeed feed(*session.client, host);
  if (!feed.Download()) {
    std::fprintf(stderr, "meridiana-cli aurora: no service address\n");
    return 1;
  }
  session.Finish();
  if (!feed.HasForecast()) {
    std::fprintf(stderr, "meridiana-cli aurora: %s\n", host.status.c_str());
    return 1;
  }
  const AuroraGrid& grid = feed.grid();
  PrintProvenance(feed.provenance(),
                  "aurora forecast for " + UtcMinuteText(grid.forecast) + " (a past forecast)",
                  session.clock.Now());
  std::printf("longitude\tlatitude\tprobability\n");
  for (const AuroraPoint& point : AuroraPoints(grid))
    std::printf("%d\t%d\t%d\n", point.longitude, point.latitude, point.percent);
  return 0;
}

int RunClouds(const Args& args) {
  OnlineOptions options;
  if (!ParseOnlineOptions(args, true, &options)) {
    std::fprintf(stderr, "%s", kCloudsUsage);
    return 2;
  }
  // The cache goes where the window keeps it: FOLDER/cache.
  std::string folder = options.cache.empty() ? CurrentFolder() : options.cache;
  ::mkdir(folder.c_str(), 0755);
  ::mkdir((folder + "/cache").c_str(), 0755);
  BundledService bundled;
  Session session(AddressFrom(options, &bundled));
  if (!session.client) {
    std::fprintf(stderr, "meridiana-cli clouds: cannot start the host lookup\n");
    return 1;
  }
  PrintingCloudHost host(session);
  CloudService clouds(*session.client, host, session.clock, folder);
  clouds.DownloadList();
  session.Finish();
  if (clouds.lastListTime() == 0) {
    std::fprintf(stderr, "meridiana-cli clouds: %s\n", host.status.c_str());
    return 1;
  }
  PrintProvenance(clouds.provenance(), "synthetic motion", session.clock.Now());
  bool complete = true;
  for (int slot = 0; slot < options.frames && slot < kCloudSlots; ++slot) {
    if (!clouds.frames()[slot].t) break;
    clouds.DownloadFrame(slot);
    session.Finish();
    complete = complete && clouds.frames()[slot].file.has_value();
  }
  for (int slot = 0; slot < kCloudSlots; ++slot) {
    const CloudFrame& frame = clouds.frames()[slot];
    if (!frame.t) continue;
    std::printf("%d\t%s\t%s\t%d\t%d\t%s\n", slot, frame.t->c_str(), frame.m.value_or("").c_str(),
                frame.s, frame.q, frame.file.value_or("").c_str());
  }
  return complete ? 0 : 1;
}

}  // namespace meridiana::cli
