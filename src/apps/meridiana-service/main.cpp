// meridiana-service: the online service for cloud frames, earthquakes and the aurora forecast,
// and its ingest commands.

#include <malloc.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "foundation/file_util.h"
#include "foundation/install_layout.h"
#include "service/aurora_ingest.h"
#include "service/cloud_ingest.h"
#include "service/cloud_source.h"
#include "service/data_folder.h"
#include "service/data_folder_lock.h"
#include "service/http_service.h"
#include "service/live_refresher.h"
#include "service/quake_ingest.h"
#include "service/quake_source.h"
#include "service/upstream_download.h"

namespace {

using namespace meridiana::service;

constexpr const char* kUsage =
    "usage: meridiana-service [--listen HOST:PORT] [--data DIR] [--threads N] [--live]\n"
    "                         [--fetch-quakes URL] [--quakes-every MINUTES]\n"
    "                         [--fetch-clouds SOURCE]... [--clouds-every MINUTES]\n"
    "                         [--fetch-aurora URL] [--aurora-every MINUTES]\n"
    "       meridiana-service ingest-quakes FEED.geojson [--data DIR] [--sample]\n"
    "       meridiana-service ingest-aurora FORECAST.json [--data DIR] [--sample]\n"
    "       meridiana-service ingest-clouds IMAGEDIR [--data DIR] [--source NAME] [--quality Q]\n"
    "                         [--sample]\n"
    "       meridiana-service fetch URL [--out FILE] [--max-bytes N] [--deadline SECONDS]\n"
    "                         [--if-none-match ETAG] [--if-modified-since DATE]\n"
    "       meridiana-service fetch-clouds SOURCE... [--data DIR] [--clouds-every MINUTES]\n"
    "       meridiana-service --version\n";

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "meridiana-service: %s\n", problem);
  std::fputs(kUsage, stderr);
  return 2;
}

int Failure(const std::string& message) {
  std::fprintf(stderr, "meridiana-service: %s\n", message.c_str());
  return 1;
}

// The sample data: service/ in the program's data folder (../share/meridiana when installed,
// the staging folder in the build tree).
std::string DefaultDataFolder() {
  return meridiana::DataFolderBeside(meridiana::ExecutableFolder()) + "/service";
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<long> WholeNumber(const std::string& text, long low, long high) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (const char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  const long value = std::atol(text.c_str());
  if (value < low || value > high) return std::nullopt;
  return value;
}

struct Arguments {
  std::vector<std::string> positional;
  std::string data;
  std::string listen;
  std::string threads;
  std::string fetchUrl;
  std::string quakesEvery;
  std::string fetchAurora;
  std::string auroraEvery;
  std::vector<std::string> fetchClouds;
  std::string cloudsEvery;
  std::string source;
  std::string quality;
  std::string out;
  std::string maxBytes;
  std::string deadline;
  std::string ifNoneMatch;
  std::string ifModifiedSince;
  bool live = false;
  bool sample = false;
};

// Options take one value each, but for the flags; false with *problem set for an unknown option
// or a missing value.
bool ReadArguments(int argc, char** argv, int first, Arguments* out, std::string* problem) {
  const struct {
    const char* name;
    std::string Arguments::*field;
  } kOptions[] = {{"--data", &Arguments::data},
                  {"--listen", &Arguments::listen},
                  {"--threads", &Arguments::threads},
                  {"--fetch-quakes", &Arguments::fetchUrl},
                  {"--quakes-every", &Arguments::quakesEvery},
                  {"--every", &Arguments::quakesEvery},  // the old spelling
                  {"--clouds-every", &Arguments::cloudsEvery},
                  {"--fetch-aurora", &Arguments::fetchAurora},
                  {"--aurora-every", &Arguments::auroraEvery},
                  {"--source", &Arguments::source},
                  {"--quality", &Arguments::quality},
                  {"--out", &Arguments::out},
                  {"--max-bytes", &Arguments::maxBytes},
                  {"--deadline", &Arguments::deadline},
                  {"--if-none-match", &Arguments::ifNoneMatch},
                  {"--if-modified-since", &Arguments::ifModifiedSince}};
  for (int i = first; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0) {
      out->positional.push_back(arg);
      continue;
    }
    if (arg == "--live" || arg == "--sample") {
      (arg == "--live" ? out->live : out->sample) = true;
      continue;
    }
    if (arg == "--fetch-clouds") {
      if (i + 1 >= argc) {
        *problem = arg + " needs a value";
        return false;
      }
      out->fetchClouds.emplace_back(argv[++i]);
      continue;
    }
    bool known = false;
    for (const auto& option : kOptions) {
      if (arg != option.name) continue;
      if (i + 1 >= argc) {
        *problem = arg + " needs a value";
        return false;
      }
      out->*option.field = argv[++i];
      known = true;
    }
    if (!known) {
      *problem = "unknown option " + arg;
      return false;
    }
  }
  return true;
}

bool HasServeOptions(const Arguments& args) {
  return !args.listen.empty() || !args.fetchUrl.empty() || !args.fetchClouds.empty() || args.live ||
         !args.quakesEvery.empty() || !args.cloudsEvery.empty() || !args.threads.empty() ||
         !args.fetchAurora.empty() || !args.auroraEvery.empty();
}

bool HasFetchOptions(const Arguments& args) {
  return !args.out.empty() || !args.maxBytes.empty() || !args.deadline.empty() ||
         !args.ifNoneMatch.empty() || !args.ifModifiedSince.empty();
}

// One download as the live sources make it, for scripts and for checking a source by hand:
// name=value lines on standard output, the body into --out.
int Fetch(const Arguments& args) {
  if (args.positional.size() != 1 || HasServeOptions(args) || !args.data.empty() || args.sample ||
      !args.source.empty() || !args.quality.empty())
    return Usage("fetch takes one URL");
  DownloadRequest request;
  request.url = args.positional[0];
  if (!IsDownloadableUrl(request.url)) return Usage("fetch takes an http:// or https:// URL");
  if (!args.maxBytes.empty()) {
    const std::optional<long> bytes = WholeNumber(args.maxBytes, 0, 999'999'999);
    if (!bytes) return Usage("--max-bytes is a whole number of bytes");
    request.maxBytes = static_cast<std::size_t>(*bytes);
  }
  if (!args.deadline.empty()) {
    const std::optional<long> seconds = WholeNumber(args.deadline, 1, 3600);
    if (!seconds) return Usage("--deadline is 1 to 3600 seconds");
    request.deadline = std::chrono::seconds(*seconds);
  }
  request.ifNoneMatch = args.ifNoneMatch;
  request.ifModifiedSince = args.ifModifiedSince;
  const DownloadResult result = Download(request);
  const char* outcome = result.outcome == DownloadResult::Outcome::kBody          ? "body"
                        : result.outcome == DownloadResult::Outcome::kNotModified ? "not-modified"
                                                                                  : "failed";
  std::printf(
      "outcome=%s\nstatus=%d\nbytes=%zu\ntype=%s\netag=%s\nlast-modified=%s\n"
      "last-modified-seconds=%lld\nfinal=%s\n",
      outcome, result.status, result.body.size(), result.contentType.c_str(), result.etag.c_str(),
      result.lastModified.c_str(), ParseHttpDate(result.lastModified), result.finalUrl.c_str());
  if (result.outcome == DownloadResult::Outcome::kFailed) return Failure(result.problem);
  if (!args.out.empty() &&
      !meridiana::WriteWholeFile(args.out.c_str(), result.body.data(), result.body.size()))
    return Failure("cannot write " + args.out);
  return 0;
}

int IngestQuakes(const Arguments& args) {
  if (args.positional.size() != 1 || HasServeOptions(args))
    return Usage("ingest-quakes takes one feed file");
  const std::string data = args.data.empty() ? DefaultDataFolder() : args.data;
  std::string message;
  if (!IngestQuakesFile(args.positional[0].c_str(), data, &message, args.sample))
    return Failure(message);
  std::printf("ingest-quakes: %s\n", message.c_str());
  return 0;
}

int IngestAurora(const Arguments& args) {
  if (args.positional.size() != 1 || HasServeOptions(args))
    return Usage("ingest-aurora takes one forecast file");
  const std::string data = args.data.empty() ? DefaultDataFolder() : args.data;
  std::string message;
  if (!IngestAuroraFile(args.positional[0].c_str(), data, &message, args.sample))
    return Failure(message);
  std::printf("ingest-aurora: %s\n", message.c_str());
  return 0;
}

int IngestClouds(const Arguments& args) {
  if (args.positional.size() != 1 || HasServeOptions(args))
    return Usage("ingest-clouds takes one folder of pictures");
  CloudIngestOptions options;
  if (!args.source.empty()) options.source = args.source;
  if (args.sample) {
    options.provenance.source = "Sample";
    options.provenance.sample = true;
  }
  if (!args.quality.empty()) {
    const std::optional<long> quality = WholeNumber(args.quality, 1, 100);
    if (!quality) return Usage("--quality is 1 to 100");
    options.quality = static_cast<int>(*quality);
  }
  const std::string data = args.data.empty() ? DefaultDataFolder() : args.data;
  std::string message;
  if (!IngestClouds(args.positional[0], data, options, &message)) return Failure(message);
  std::printf("ingest-clouds: %s\n", message.c_str());
  return 0;
}

// Minutes, fractions allowed, as whole seconds from one second up to a week.
std::optional<std::chrono::seconds> Cadence(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  const double minutes = std::strtod(text.c_str(), &end);
  if (text.empty() || errno != 0 || *end != '\0' || !std::isfinite(minutes) || minutes * 60 < 1 ||
      minutes > 7 * 24 * 60)
    return std::nullopt;
  return std::chrono::seconds(std::llround(minutes * 60));
}

std::vector<std::string> Words(const char* text) {
  std::vector<std::string> words;
  std::string word;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == ' ' || *c == '\t' || *c == '\n') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += *c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

// Where live data goes when no --data is given: the sample beside the program stays as shipped.
std::string LiveDataFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  std::string base = cache != nullptr && cache[0] == '/' ? std::string(cache)
                                                         : meridiana::HomeFolder() + "/.cache";
  base += "/meridiana/service";
  return base;
}

// A folder without lists yet gets the bundled sample, so that it is served, labelled, until the
// first refresh succeeds.
bool SeedFromSample(const std::string& folder, std::string* problem) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::create_directories(folder, error);
  const std::string sample = DefaultDataFolder();
  if (fs::exists(InFolder(folder, kQuakesFile)) || fs::exists(InFolder(folder, ListFile(1)))) {
    // A folder filled before the aurora was served gets the aurora's sample alone.
    if (!fs::exists(InFolder(folder, kAuroraFile)))
      fs::copy_file(InFolder(sample, kAuroraFile), InFolder(folder, kAuroraFile), error);
    return true;
  }
  fs::copy(sample, folder, fs::copy_options::recursive | fs::copy_options::skip_existing, error);
  if (error) {
    *problem = "cannot copy the sample " + sample + " into " + folder + ": " + error.message();
    return false;
  }
  std::fprintf(stderr, "meridiana-service: %s holds the sample until the first refresh\n",
               folder.c_str());
  return true;
}

struct LivePlan {
  std::string quakeUrl;
  std::chrono::seconds quakeCadence = kDefaultQuakeCadence;
  std::vector<std::string> cloudSources;
  std::chrono::seconds cloudCadence = kDefaultCloudCadence;
  std::string auroraUrl;
  std::chrono::seconds auroraCadence = kDefaultAuroraCadence;
};

// The live sources the options name, --live filling in the defaults (or their replacements
// from the environment) for what --fetch-* leaves out; empty string on success.
std::string PlanLive(const Arguments& args, LivePlan* plan) {
  plan->quakeUrl = args.fetchUrl;
  if (plan->quakeUrl.empty() && args.live) {
    const char* mirror = std::getenv("MERIDIANA_LIVE_QUAKES");
    plan->quakeUrl = mirror != nullptr && *mirror != '\0' ? mirror : kDefaultQuakeFeed;
  }
  if (!plan->quakeUrl.empty() && !IsDownloadableUrl(plan->quakeUrl))
    return "--fetch-quakes takes an http:// or https:// URL";
  if (!args.quakesEvery.empty()) {
    if (plan->quakeUrl.empty()) return "--quakes-every belongs to --live or --fetch-quakes";
    const std::optional<std::chrono::seconds> cadence = Cadence(args.quakesEvery);
    if (!cadence) return "--quakes-every takes minutes, from 1/60 (a second) up to a week";
    plan->quakeCadence = *cadence;
  }
  plan->cloudSources = args.fetchClouds;
  if (plan->cloudSources.empty() && args.live) {
    const char* mirrors = std::getenv("MERIDIANA_LIVE_CLOUDS");
    plan->cloudSources =
        mirrors != nullptr && *mirrors != '\0' ? Words(mirrors) : DefaultCloudSources();
  }
  for (const std::string& source : plan->cloudSources) {
    std::string problem;
    if (!IsCloudSource(source, &problem)) return "--fetch-clouds " + source + ": " + problem;
  }
  if (!args.cloudsEvery.empty()) {
    if (plan->cloudSources.empty()) return "--clouds-every belongs to --live or --fetch-clouds";
    const std::optional<std::chrono::seconds> cadence = Cadence(args.cloudsEvery);
    if (!cadence) return "--clouds-every takes minutes, from 1/60 (a second) up to a week";
    plan->cloudCadence = *cadence;
  }
  plan->auroraUrl = args.fetchAurora;
  if (plan->auroraUrl.empty() && args.live) {
    const char* mirror = std::getenv("MERIDIANA_LIVE_AURORA");
    plan->auroraUrl = mirror != nullptr && *mirror != '\0' ? mirror : kDefaultAuroraFeed;
  }
  if (!plan->auroraUrl.empty() && !IsDownloadableUrl(plan->auroraUrl))
    return "--fetch-aurora takes an http:// or https:// URL";
  if (!args.auroraEvery.empty()) {
    if (plan->auroraUrl.empty()) return "--aurora-every belongs to --live or --fetch-aurora";
    const std::optional<std::chrono::seconds> cadence = Cadence(args.auroraEvery);
    if (!cadence) return "--aurora-every takes minutes, from 1/60 (a second) up to a week";
    plan->auroraCadence = *cadence;
  }
  return {};
}

void Log(const std::string& lines) {
  std::size_t start = 0;
  while (start < lines.size()) {
    std::size_t end = lines.find('\n', start);
    if (end == std::string::npos) end = lines.size();
    std::fprintf(stderr, "meridiana-service: %s\n", lines.substr(start, end - start).c_str());
    start = end + 1;
  }
}

// One refresh of the cloud frames from a chain of sources (wms:URL, image:URL), for a
// deployment that fetches from cron and serves the folder with any web server.
int FetchClouds(const Arguments& args) {
  if (args.positional.empty() || !args.listen.empty() || !args.fetchUrl.empty() ||
      !args.fetchClouds.empty() || args.live || !args.source.empty() || !args.quality.empty() ||
      args.sample)
    return Usage("fetch-clouds takes one or more sources, --data and --every");
  for (const std::string& source : args.positional) {
    std::string problem;
    if (!IsCloudSource(source, &problem)) return Usage(problem.c_str());
  }
  std::chrono::seconds cadence = kDefaultCloudCadence;
  // --every, the older spelling, is taken here too.
  const std::string& every = args.cloudsEvery.empty() ? args.quakesEvery : args.cloudsEvery;
  if (!every.empty()) {
    const std::optional<std::chrono::seconds> given = Cadence(every);
    if (!given) return Usage("--clouds-every takes minutes, from 1/60 (a second) up to a week");
    cadence = *given;
  }
  const std::string data = args.data.empty() ? DefaultDataFolder() : args.data;
  const std::unique_ptr<LiveSource> chain = MakeCloudChain(args.positional, cadence);
  std::string message;
  if (!chain->Refresh(data, std::stop_token(), &message)) {
    chain->MarkFailed(data, std::chrono::system_clock::now(), message);
    return Failure(message);
  }
  std::printf("fetch-clouds: %s\n", message.c_str());
  return 0;
}

int Serve(const Arguments& args) {
  if (!args.positional.empty()) return Usage(("unknown command " + args.positional[0]).c_str());
  if (!args.source.empty() || !args.quality.empty() || args.sample)
    return Usage("--source, --quality and --sample belong to the ingest commands");
  ServeOptions options;
  if (!args.listen.empty() && !ParseListenAddress(args.listen, &options.host, &options.port))
    return Usage("--listen takes a numeric HOST:PORT, such as 127.0.0.1:8613");
  if (!args.threads.empty()) {
    const std::optional<long> threads = WholeNumber(args.threads, 1, 1024);
    if (!threads) return Usage("--threads is 1 to 1024");
    options.threads = static_cast<int>(*threads);
  }
  LivePlan plan;
  if (const std::string problem = PlanLive(args, &plan); !problem.empty())
    return Usage(problem.c_str());
  const bool live = !plan.quakeUrl.empty() || !plan.cloudSources.empty() || !plan.auroraUrl.empty();
  options.dataFolder = !args.data.empty() ? args.data
                       : live             ? LiveDataFolder()
                                          : DefaultDataFolder();

  std::unique_ptr<LiveRefresher> refresher;
  if (live) {
    std::string problem;
    if (!SeedFromSample(options.dataFolder, &problem)) return Failure(problem);
    refresher = std::make_unique<LiveRefresher>(options.dataFolder);
    std::vector<std::unique_ptr<LiveSource>> sources;
    if (!plan.quakeUrl.empty())
      sources.push_back(MakeQuakeSource(plan.quakeUrl, plan.quakeCadence));
    if (!plan.cloudSources.empty())
      sources.push_back(MakeCloudChain(plan.cloudSources, plan.cloudCadence));
    if (!plan.auroraUrl.empty())
      sources.push_back(MakeAuroraSource(plan.auroraUrl, plan.auroraCadence));
    for (auto& source : sources) {
      Log(source->Describe());
      refresher->Add(std::move(source));
    }
    Log("live data in " + options.dataFolder + ", refreshed when asked for");
    options.beforeReply = [r = refresher.get()](const std::string& kind, bool asked) {
      r->BeforeReply(kind, asked);
    };
  }
  if (!IsFolder(options.dataFolder)) return Failure("no data folder " + options.dataFolder);
  // What a writer killed midway (kill -9, a crash) left behind.
  if (const int removed = RemoveLeftoverTemporaries(options.dataFolder); removed > 0)
    Log("removed " + std::to_string(removed) + " temporary files left in " + options.dataFolder);

  // Signals are taken by one thread of their own, so the stop runs outside a signal handler.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  HttpService service(options);
  std::string error;
  const int port = service.Bind(&error);
  if (port < 0) return Failure(error);
  const bool v6 = options.host.find(':') != std::string::npos;
  std::printf("listening on %s%s%s:%d\n", v6 ? "[" : "", options.host.c_str(), v6 ? "]" : "", port);
  std::fflush(stdout);

  std::atomic<bool> finished{false};
  std::thread signals([&service, &refresher, &stopSignals, &finished] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    // Requests waiting for a refresh are released first, so the workers can finish.
    if (refresher) refresher->Stop();
    // A stop that comes before the server runs is not kept by the library, so it is repeated
    // until the server has ended.
    while (!finished) {
      service.Stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  const bool served = service.Run();
  finished = true;
  if (refresher) refresher->Stop();
  // Ends the signal thread when the service ended for another reason.
  pthread_kill(signals.native_handle(), SIGTERM);
  signals.join();
  return served ? 0 : Failure("the service stopped unexpectedly");
}

}  // namespace

int main(int argc, char** argv) {
  // A client that leaves early is not a reason to end, and TLS writes its goodbye on sockets the
  // other side may have closed (a download given up at its deadline).
  std::signal(SIGPIPE, SIG_IGN);
  // Reply files and feeds of a few hundred KiB are made and dropped on many worker threads as
  // the data is refreshed. Left to itself, the allocator raises its threshold for mapping a block
  // of its own to the largest one freed, and such blocks then settle in the threads' heaps, which
  // grow and do not give the memory back; a fixed threshold maps each one and unmaps it when freed.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("meridiana-service %s\n", ProgramVersion().c_str());
    return 0;
  }
  const bool ingestQuakes = argc >= 2 && std::strcmp(argv[1], "ingest-quakes") == 0;
  const bool ingestClouds = argc >= 2 && std::strcmp(argv[1], "ingest-clouds") == 0;
  const bool ingestAurora = argc >= 2 && std::strcmp(argv[1], "ingest-aurora") == 0;
  const bool fetch = argc >= 2 && std::strcmp(argv[1], "fetch") == 0;
  const bool fetchClouds = argc >= 2 && std::strcmp(argv[1], "fetch-clouds") == 0;
  Arguments args;
  std::string problem;
  if (!ReadArguments(argc, argv,
                     ingestQuakes || ingestClouds || ingestAurora || fetch || fetchClouds ? 2 : 1,
                     &args, &problem))
    return Usage(problem.c_str());
  if (fetch) return Fetch(args);
  if (HasFetchOptions(args))
    return Usage("--out, --max-bytes, --deadline and --if-* belong to fetch");
  if (fetchClouds) return FetchClouds(args);
  if (ingestQuakes) return IngestQuakes(args);
  if (ingestClouds) return IngestClouds(args);
  if (ingestAurora) return IngestAurora(args);
  return Serve(args);
}
