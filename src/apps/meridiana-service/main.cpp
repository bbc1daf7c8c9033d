// meridiana-service: the online service for cloud frames and earthquakes, and its ingest
// commands.

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
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "service/cloud_ingest.h"
#include "service/cloud_source.h"
#include "service/data_folder.h"
#include "service/http_service.h"
#include "service/quake_fetcher.h"
#include "service/quake_ingest.h"

namespace {

using namespace meridiana::service;

constexpr const char* kUsage =
    "usage: meridiana-service [--listen HOST:PORT] [--data DIR] [--threads N]\n"
    "                         [--fetch-quakes URL [--every MINUTES]]\n"
    "       meridiana-service ingest-quakes FEED.geojson [--data DIR]\n"
    "       meridiana-service ingest-clouds IMAGEDIR [--data DIR] [--source NAME] [--quality Q]\n"
    "                         [--sample]\n"
    "       meridiana-service fetch-clouds SOURCE... [--data DIR] [--every MINUTES]\n"
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

// The sample data staged and installed beside the program.
std::string DefaultDataFolder() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "service";
  std::string exe(path, static_cast<std::size_t>(n));
  const std::size_t slash = exe.rfind('/');
  return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/service";
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
  std::string every;
  std::string source;
  std::string quality;
  bool sample = false;  // the pictures are the labelled sample, not live data
};

// Options take one value each; false with *problem set for an unknown option or a missing value.
bool ReadArguments(int argc, char** argv, int first, Arguments* out, std::string* problem) {
  const struct {
    const char* name;
    std::string Arguments::*field;
  } kOptions[] = {{"--data", &Arguments::data},       {"--listen", &Arguments::listen},
                  {"--threads", &Arguments::threads}, {"--fetch-quakes", &Arguments::fetchUrl},
                  {"--every", &Arguments::every},     {"--source", &Arguments::source},
                  {"--quality", &Arguments::quality}};
  for (int i = first; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0) {
      out->positional.push_back(arg);
      continue;
    }
    if (arg == "--sample") {
      out->sample = true;
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

int IngestQuakes(const Arguments& args) {
  if (args.positional.size() != 1 || !args.listen.empty() || !args.fetchUrl.empty())
    return Usage("ingest-quakes takes one feed file");
  const std::string data = args.data.empty() ? DefaultDataFolder() : args.data;
  std::string message;
  if (!IngestQuakesFile(args.positional[0].c_str(), data, &message)) return Failure(message);
  std::printf("ingest-quakes: %s\n", message.c_str());
  return 0;
}

int IngestClouds(const Arguments& args) {
  if (args.positional.size() != 1 || !args.listen.empty() || !args.fetchUrl.empty())
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

// One refresh of the cloud frames from a chain of sources (wms:URL, image:URL), for a
// deployment that fetches from cron and serves the folder with any web server.
int FetchClouds(const Arguments& args) {
  if (args.positional.empty() || !args.listen.empty() || !args.fetchUrl.empty() ||
      !args.source.empty() || !args.quality.empty() || args.sample)
    return Usage("fetch-clouds takes one or more sources, --data and --every");
  for (const std::string& source : args.positional) {
    std::string problem;
    if (!IsCloudSource(source, &problem)) return Usage(problem.c_str());
  }
  std::chrono::seconds cadence = kDefaultCloudCadence;
  if (!args.every.empty()) {
    const std::optional<long> minutes = WholeNumber(args.every, 1, 7 * 24 * 60);
    if (!minutes) return Usage("--every takes whole minutes, from 1 up to a week");
    cadence = std::chrono::minutes(*minutes);
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
    return Usage("--source, --quality and --sample belong to ingest-clouds");
  ServeOptions options;
  options.dataFolder = args.data.empty() ? DefaultDataFolder() : args.data;
  if (!args.listen.empty() && !ParseListenAddress(args.listen, &options.host, &options.port))
    return Usage("--listen takes a numeric HOST:PORT, such as 127.0.0.1:8613");
  if (!args.threads.empty()) {
    const std::optional<long> threads = WholeNumber(args.threads, 1, 1024);
    if (!threads) return Usage("--threads is 1 to 1024");
    options.threads = static_cast<int>(*threads);
  }
  std::unique_ptr<QuakeFetcher> fetcher;
  if (!args.fetchUrl.empty()) {
    FeedUrl url;
    if (!ParseFeedUrl(args.fetchUrl, &url))
      return Usage("--fetch-quakes takes an http:// or https:// URL");
    double minutes = 5;
    if (!args.every.empty()) {
      char* end = nullptr;
      errno = 0;
      minutes = std::strtod(args.every.c_str(), &end);
      // Whole seconds from one second up to a week.
      if (errno != 0 || *end != '\0' || !std::isfinite(minutes) || minutes * 60 < 1 ||
          minutes > 7 * 24 * 60)
        return Usage("--every takes minutes, from 1/60 (a second) up to a week");
    }
    fetcher = std::make_unique<QuakeFetcher>(
        url, std::chrono::milliseconds(std::llround(minutes * 60000)), options.dataFolder);
  } else if (!args.every.empty()) {
    return Usage("--every belongs to --fetch-quakes");
  }
  if (!IsFolder(options.dataFolder)) return Failure("no data folder " + options.dataFolder);

  // Signals are taken by one thread of their own, so the stop runs outside a signal handler.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);  // a client that leaves early is not a reason to end

  HttpService service(options);
  std::string error;
  const int port = service.Bind(&error);
  if (port < 0) return Failure(error);
  const bool v6 = options.host.find(':') != std::string::npos;
  std::printf("listening on %s%s%s:%d\n", v6 ? "[" : "", options.host.c_str(), v6 ? "]" : "", port);
  std::fflush(stdout);
  if (fetcher) fetcher->Start();

  std::atomic<bool> finished{false};
  std::thread signals([&service, &stopSignals, &finished] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    // A stop that comes before the server runs is not kept by the library, so it is repeated
    // until the server has ended.
    while (!finished) {
      service.Stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  const bool served = service.Run();
  finished = true;
  if (fetcher) fetcher->Stop();
  // Ends the signal thread when the service ended for another reason.
  pthread_kill(signals.native_handle(), SIGTERM);
  signals.join();
  return served ? 0 : Failure("the service stopped unexpectedly");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s\n", ProgramVersion().c_str());
    return 0;
  }
  const bool ingestQuakes = argc >= 2 && std::strcmp(argv[1], "ingest-quakes") == 0;
  const bool ingestClouds = argc >= 2 && std::strcmp(argv[1], "ingest-clouds") == 0;
  const bool fetchClouds = argc >= 2 && std::strcmp(argv[1], "fetch-clouds") == 0;
  Arguments args;
  std::string problem;
  if (!ReadArguments(argc, argv, ingestQuakes || ingestClouds || fetchClouds ? 2 : 1, &args,
                     &problem))
    return Usage(problem.c_str());
  if (fetchClouds) return FetchClouds(args);
  if (ingestQuakes) return IngestQuakes(args);
  if (ingestClouds) return IngestClouds(args);
  return Serve(args);
}
