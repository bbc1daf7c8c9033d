// The cloud frames against a service of the test's own: the list fills twelve slots, cached
// files survive only while listed, frames come from the cache before the network, a markup
// reply in place of an image is the service speaking, and the walk through the slots.

#include "online/cloud_service.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "foundation/clock.h"
#include "online/scripted_server.h"
#include "support/manual_event_loop.h"
#include "support/temp_dir.h"

namespace meridiana {
namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Jpeg(const char* name = "jpeg_rgb.jpg") {
  return FileBytes(std::string(MERIDIANA_FIXTURES) + "/images/" + name);
}

std::string ListOf(int count, std::string extra = "") {
  std::string list = "<?xml version=\"1.0\"?>\n<IMAGES>" + extra;
  for (int i = 0; i < count; ++i)
    list += "<IMAGE m=\"sample\" t=\"20261208" + std::to_string(10 + i) + "\" s=\"" +
            std::to_string(100 + i) + "\" q=\"80\"/>";
  return list + "</IMAGES>";
}

class Host : public CloudService::Host {
 public:
  void StopCloudAnimation() override { running = false; }
  void ShowServiceError(std::string_view text) override { errors.emplace_back(text); }
  void ShowStatus(int part, std::string_view text) override {
    statuses.push_back(std::to_string(part) + ":" + std::string(text));
  }
  // The window's English for the texts the tests read; the id for the others.
  std::string Text(int id) override {
    switch (id) {
      case 1425: return "Not found (%s)";
      case 1516: return "The satellite server sent an image name that is not valid";
      case 1517: return "The satellite list is larger than %s KiB and was not read";
      case 1518: return "The satellite image is larger than %s MiB and was not kept";
      default: return std::to_string(id);
    }
  }
  std::optional<std::string> ServiceUrl(std::string_view path) override {
    return base + std::string(path);
  }
  void ShowCloudImage(DibPtr image) override { shown.push_back(image->header.width); }
  void ShowRefreshFailure(const DataProvenance& provenance) override {
    failures.push_back(provenance.problem);
  }
  void ShowAnimationFrame(const Dib& image) override { frames.push_back(image.header.width); }
  bool AnimationRunning() override { return running; }
  void StopAnimationTimer() override { running = false; }
  bool LoopAnimation() override { return loop; }
  void UpdateAnimationCommands() override {}
  void PostPendingStep() override { ++pendingSteps; }
  void PostStop() override { ++stops; }

  std::string base;
  bool running = false;
  bool loop = false;
  int pendingSteps = 0;
  int stops = 0;
  std::vector<int> shown;
  std::vector<int> frames;
  std::vector<std::string> errors;
  std::vector<std::string> statuses;
  std::vector<std::string> failures;  // problems of failed refreshes told
};

class NoLookups : public HostResolver {
  int Lookup(std::string_view, Reply) override { return 0; }
  bool Cancel(int) override { return false; }
};

class CloudServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir(folder.File("cache").c_str(), 0755);
    client.Initialize("Quillary Meridiana", [](int, const HttpRequest*, const HttpEventValue&) {});
  }
  // Serves each connection the next reply; records what was asked.
  void Serve(std::vector<std::string> bodies, int status = 200) {
    replies = std::move(bodies);
    server = std::make_unique<test::ScriptedServer>([this, status](int n) {
      const std::string body = n < static_cast<int>(replies.size()) ? replies[n] : "";
      if (body.starts_with("HTTP/")) return test::Conversation{{{test::Exchange::kHeader, body}}};
      return test::Conversation{
          {{test::Exchange::kHeader, "HTTP/1.0 " + std::to_string(status) + " X\r\n\r\n" + body}}};
    });
    host.base = "http://127.0.0.1:" + std::to_string(server->Port());
  }
  void Finish() {
    ASSERT_TRUE(loop.Settle([&] { return client.Idle(); }));
  }
  std::vector<std::string> Asked() const {
    std::vector<std::string> lines;
    for (const std::string& request : server->Received())
      lines.push_back(request.substr(4, request.find(" HTTP/") - 4));
    return lines;
  }

  TempDir folder;
  test::ManualEventLoop loop;
  NoLookups resolver;
  HttpClient client{loop, resolver};
  FixedClock clock{UtcFromCalendar(2026, 12, 8, 12, 0, 0)};
  Host host;
  CloudService clouds{client, host, clock, folder.path()};
  std::vector<std::string> replies;
  std::unique_ptr<test::ScriptedServer> server;
};

TEST_F(CloudServiceTest, TheListFillsTwelveSlotsAndKeepsOnlyListedFiles) {
  Serve({ListOf(2, "<IMAGE m=\"x\" t=\"../../evil\"/>"), ListOf(13), Jpeg(), ListOf(3)});
  // A name that cannot be a file refuses the whole list.
  clouds.StepFrames(kShowNewest, kTowardsOlder);
  Finish();
  EXPECT_FALSE(clouds.frames()[0].t);
  EXPECT_EQ(host.statuses.back(), "0:The satellite server sent an image name that is not valid");
  EXPECT_EQ(host.pendingSteps, 0);

  clouds.StepFrames(kShowNewest, kTowardsOlder);  // still no list: fetch it first
  Finish();
  EXPECT_EQ(host.pendingSteps, 1);
  EXPECT_EQ(Asked()[1], "/clouds/cloudv2.php?s=$ID&i=$MID&q=1&checkonly=1&n=12");
  EXPECT_EQ(clouds.frames()[0].t, "2026120810");
  EXPECT_EQ(clouds.frames()[11].t, "2026120821");
  EXPECT_EQ(clouds.frames()[11].s, 111);
  EXPECT_EQ(clouds.frames()[11].q, 80);
  std::ifstream copy(folder.File("cache.tmp"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}).substr(0, 18),
            "HTTP/1.0 200 X\r\n\r\n");

  // The pending step downloads the newest frame and shows it.
  clouds.RunPendingStep();
  Finish();
  EXPECT_EQ(Asked()[2], "/clouds/cloudv2.php?s=$ID&i=$MID&q=1&f=1&t=2026120810");
  ASSERT_EQ(host.shown.size(), 1u);
  EXPECT_EQ(clouds.current(), 0);
  EXPECT_EQ(clouds.frames()[0].file, clouds.CachePath("2026120810"));
  const std::string dropped = clouds.CachePath("2026120821");
  std::ofstream(dropped) << "never shown, so never moved";

  // A shorter list: the shown and still listed file stays; the rest of the slots are empty.
  clock.Set(clock.Now() + 10801);
  clouds.StepFrames(0, kTowardsOlder);
  Finish();
  EXPECT_EQ(clouds.frames()[2].t, "2026120812");
  EXPECT_FALSE(clouds.frames()[3].t);
  EXPECT_FALSE(clouds.frames()[0].file);  // forgotten until shown again...
  struct stat info;
  EXPECT_EQ(stat(clouds.CachePath("2026120810").c_str(), &info), 0);  // ...but still cached
  EXPECT_EQ(stat(dropped.c_str(), &info), 0);  // not shown since start-up: left alone
}

TEST_F(CloudServiceTest, ShownFilesOfImagesNoLongerListedGo) {
  Serve({ListOf(2), Jpeg(), ListOf(0, "<IMAGE m=\"y\" t=\"2026120900\"/>")});
  clouds.StepFrames(kShowNewest, kTowardsOlder);
  Finish();
  clouds.RunPendingStep();
  Finish();
  ASSERT_TRUE(clouds.frames()[0].file);
  clock.Set(clock.Now() + 20000);
  clouds.StepFrames(0, kTowardsOlder);
  Finish();
  struct stat info;
  EXPECT_NE(stat(clouds.CachePath("2026120810").c_str(), &info), 0);
  EXPECT_NE(stat(clouds.CachePath("2026120810", ".tmp").c_str(), &info), 0);
}

TEST_F(CloudServiceTest, CachedFramesNeedNoDownload) {
  std::ofstream(clouds.CachePath("2026120812"), std::ios::binary) << Jpeg();
  Serve({"<?xml version=\"1.0\"?><IMAGES><IMAGE m=\"a\" t=\"2026120812\" s=1 q=2/></IMAGES>"});
  clouds.CheckNewest();
  Finish();
  EXPECT_EQ(Asked(), std::vector<std::string>{"/clouds/cloudv2.php?s=$ID&i=$MID&q=1&checkonly=1"});
  EXPECT_EQ(host.shown.size(), 1u);  // from the cache, no image request
  EXPECT_EQ(clouds.frames()[0].file, clouds.CachePath("2026120812"));
  EXPECT_EQ(host.statuses, std::vector<std::string>{"1:1421"});
  // The user's Refresh, unlike the hourly check, has the service revalidate now.
  clouds.CheckNewest(/*asked=*/true);
  Finish();
  EXPECT_EQ(Asked().back(), "/clouds/cloudv2.php?s=$ID&i=$MID&q=1&checkonly=1&refresh=1");
}

TEST_F(CloudServiceTest, ARefreshThatFailedAtTheSourceIsToldAndTheHeldFrameShown) {
  std::ofstream(clouds.CachePath("2026120812"), std::ios::binary) << Jpeg();
  Serve({"<?xml version=\"1.0\"?><IMAGES source=\"nowcoast\" updated=\"2026-12-08T12:00:00Z\" "
         "failed=\"2026-12-08T15:00:00Z\" problem=\"connection refused\"><IMAGE m=\"nowcoast\" "
         "t=\"2026120812\" s=1 q=2/></IMAGES>"});
  clouds.CheckNewest(/*asked=*/true);
  Finish();
  EXPECT_EQ(host.failures, std::vector<std::string>{"connection refused"});
  EXPECT_EQ(clouds.frames()[0].file, clouds.CachePath("2026120812"));
}

// A Refresh names a newer image for slot 0: whether its download fails or it was cached
// already, the next list must not move the picture slot 0 showed before under the new name.
TEST_F(CloudServiceTest, ACacheFileHoldsThePictureItsNameSays) {
  const std::string newest = "2026120812";
  const std::string grey = Jpeg("jpeg_grey.jpg");
  for (const bool newestCached : {false, true}) {
    SCOPED_TRACE(newestCached ? "newest cached" : "newest download fails");
    for (const char* name : {"2026120810", "2026120811", "2026120812"})
      std::remove(clouds.CachePath(name).c_str());
    const std::string check =
        "<?xml version=\"1.0\"?><IMAGES><IMAGE t=\"" + newest + "\"/></IMAGES>";
    std::vector<std::string> replies = {ListOf(2), Jpeg(), check};
    if (!newestCached) replies.push_back("HTTP/1.0 500 X\r\n\r\n");
    replies.push_back(ListOf(2, "<IMAGE m=\"n\" t=\"" + newest + "\"/>"));
    Serve(replies);
    clock.Set(clock.Now() + 20000);
    clouds.StepFrames(kShowNewest, kTowardsOlder);
    Finish();
    clouds.RunPendingStep();  // slot 0, 2026120810, fetched and shown
    Finish();
    ASSERT_EQ(clouds.frames()[0].file, clouds.CachePath("2026120810"));
    if (newestCached) std::ofstream(clouds.CachePath(newest), std::ios::binary) << grey;

    clouds.CheckNewest();
    Finish();
    EXPECT_EQ(clouds.frames()[0].t, newest);
    if (!newestCached) {
      EXPECT_EQ(Asked()[3], "/clouds/cloudv2.php?s=$ID&i=$MID&q=1&f=1&t=" + newest);
      EXPECT_EQ(clouds.frames()[0].failures, 1);
    }
    clock.Set(clock.Now() + 20000);
    clouds.StepFrames(0, kTowardsOlder);  // the list again: newest first, then the two
    Finish();
    ASSERT_EQ(clouds.frames()[0].t, newest);
    // (Compared as a whole: a picture's bytes make no readable message.)
    EXPECT_TRUE(FileBytes(clouds.CachePath("2026120810")) == Jpeg());
    EXPECT_TRUE(FileBytes(clouds.CachePath(newest)) == (newestCached ? grey : ""));
  }
}

TEST_F(CloudServiceTest, TheServicesNotesAreKeptAsOneShortLine) {
  Serve({"<?xml version=\"1.0\"?><IMAGES><IMAGE m=\"a\r\nM=Berlin,13\" t=\"2026120810\"/>" +
         std::string("<IMAGE m=\"x\0y\" t=\"2026120811\"/>", 31) + "<IMAGE m=\"" +
         std::string(10000, 'n') + "\" t=\"2026120812\"/></IMAGES>"});
  clouds.DownloadList();
  Finish();
  EXPECT_EQ(clouds.frames()[0].m, "aM=Berlin,13");
  EXPECT_EQ(clouds.frames()[1].m, "xy");
  EXPECT_EQ(clouds.frames()[2].m, std::string(kMaxFrameNoteBytes, 'n'));
}

TEST_F(CloudServiceTest, ImageRepliesThatAreNotImages) {
  clouds.frames()[4].t = "2026120814";
  Serve({"<?xml version=\"1.0\"?><ERROR n=\"2\">Frame %s withdrawn</ERROR>"});
  clouds.DownloadFrame(4);
  Finish();
  EXPECT_EQ(host.errors, std::vector<std::string>{"Frame %s withdrawn"});
  struct stat info;
  EXPECT_NE(stat(clouds.CachePath("2026120814").c_str(), &info), 0);  // nothing cached

  Serve({""}, 404);
  clouds.DownloadFrame(4);
  Finish();
  EXPECT_EQ(clouds.frames()[4].failures, 404);
  EXPECT_EQ(host.statuses.back(), "0:Not found (2026120814)");
  clouds.DownloadFrame(4);  // given up on
  EXPECT_TRUE(client.Idle());

  clouds.frames()[5].t = "2026120815";
  Serve({""}, 500);
  clouds.DownloadFrame(5);
  Finish();
  EXPECT_EQ(clouds.frames()[5].failures, 1);
  EXPECT_EQ(host.stops, 1);
}

TEST_F(CloudServiceTest, RepliesBeyondTheirBoundsAreRefused) {
  Serve({ListOf(8000), std::string(kMaxCloudImageBytes + 1, 'x')});
  clouds.DownloadList();
  Finish();
  EXPECT_FALSE(clouds.frames()[0].t);
  EXPECT_EQ(host.statuses.back(), "0:The satellite list is larger than 256 KiB and was not read");
  clouds.frames()[0].t = "2026120810";
  clouds.DownloadFrame(0);
  Finish();
  EXPECT_EQ(host.statuses.back(), "0:The satellite image is larger than 16 MiB and was not kept");
  struct stat info;
  EXPECT_NE(stat(clouds.CachePath("2026120810").c_str(), &info), 0);
}

TEST_F(CloudServiceTest, WalkingThroughTheSlots) {
  Serve({ListOf(4)});
  clouds.DownloadList();
  Finish();
  // Slots 1 and 2 are cached and were shown before; slot 3's file has gone since.
  for (int slot : {1, 2, 3}) {
    const std::string path = clouds.CachePath(*clouds.frames()[slot].t);
    if (slot != 3) std::ofstream(path, std::ios::binary) << Jpeg();
    clouds.frames()[slot].file = path;
  }
  clouds.SetCurrent(1);
  clouds.StepFrames(1, kTowardsOlder);
  EXPECT_EQ(clouds.current(), 2);
  clouds.StepFrames(2, kTowardsOlder);  // 3's file is missing: the walk passes on to empty 4
  EXPECT_EQ(clouds.current(), 4);
  EXPECT_EQ(host.frames.size(), 1u);

  // Playing towards the newest: past slot 0 the animation stops, or wraps with the loop setting.
  host.running = true;
  clouds.StepFrames(1, kTowardsNewer);
  EXPECT_FALSE(client.Idle());  // slot 0 was never fetched: its download starts
  Finish();
  clouds.StepFrames(0, kTowardsNewer);
  EXPECT_FALSE(host.running);
  EXPECT_EQ(clouds.current(), 0);
  host.running = true;
  host.loop = true;
  clouds.StepFrames(0, kTowardsNewer);
  EXPECT_EQ(clouds.current(), 11);  // empty slot 11 becomes current
  EXPECT_TRUE(host.running);
}

}  // namespace
}  // namespace meridiana
