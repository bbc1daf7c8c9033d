// Cloud frames from a folder of pictures: the twelve newest kept across ingests, names parsed,
// pictures converted, and anything unreadable refusing the folder with the old frames kept.

#include "service/cloud_ingest.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "foundation/file_util.h"
#include "map/dib_ops.h"
#include "map/image_load.h"
#include "map/jpeg_writer.h"
#include "map/png_writer.h"
#include "support/temp_dir.h"

namespace meridiana::service {
namespace {

// A flat picture of one grey level, written in the format its extension names.
void WritePicture(const std::string& path, int width, int height, uint8_t level) {
  DibPtr dib = DibCreate(width, height, 24, 256);
  for (int y = 0; y < height; ++y) std::fill_n(dib->rows[y], width * 3, level);
  const std::string ext = path.substr(path.rfind('.'));
  if (ext == ".png") {
    ASSERT_TRUE(SavePng(dib.get(), path.c_str()));
  } else if (ext == ".bmp") {
    ASSERT_TRUE(DibSaveBmp(dib.get(), path.c_str()));
  } else {
    std::string jpeg;
    ASSERT_TRUE(EncodeJpeg(dib.get(), 90, &jpeg));
    ASSERT_TRUE(WriteWholeFile(path.c_str(), jpeg.data(), jpeg.size()));
  }
}

// Every file under the data folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const char* sub : {"", "clouds/", "errors/"}) {
    DIR* dir = ::opendir((folder + "/" + sub).c_str());
    if (!dir) continue;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = std::string(sub) + entry->d_name;
      if (auto bytes = ReadWholeFile((folder + "/" + name).c_str())) files[name] = *bytes;
    }
    ::closedir(dir);
  }
  return files;
}

std::vector<std::string> ListedTimes(const std::string& data) {
  std::vector<std::string> times;
  for (const FrameEntry& frame : ListedFrames(data)) times.push_back(frame.t);
  return times;
}

CloudIngestOptions Options(const std::string& source, int quality) {
  CloudIngestOptions options;
  options.source = source;
  options.quality = quality;
  return options;
}

uint8_t CentreLevel(const std::string& jpegPath) {
  const DibPtr frame = DibLoad(jpegPath.c_str(), kMapPictureMaxPixels);
  if (!frame || DibWidth(frame.get()) != kFrameWidth || DibHeight(frame.get()) != kFrameHeight)
    return 0;
  return frame->rows[256][512 * 3];
}

TEST(CloudIngest, KeepsTheTwelveNewestAcrossIngests) {
  TempDir dir;
  const std::string data = dir.File("data");
  const std::string first = dir.File("first");
  const std::string second = dir.File("second");
  ASSERT_TRUE(CreateFolder(first.c_str()) && CreateFolder(second.c_str()));
  const char* formats[] = {".png", ".bmp", ".jpg", ".jpeg", ".gif"};
  for (int hour = 0; hour < 8; ++hour) {
    const std::string ext = formats[hour % 4];
    WritePicture(first + "/20180207" + (hour < 10 ? "0" : "") + std::to_string(hour) + ext,
                 hour == 3 ? 2048 : 64, hour == 3 ? 1024 : 32, static_cast<uint8_t>(20 * hour));
  }
  ::mkdir((first + "/.thumbnails").c_str(), 0755);  // folders and dot files are passed over
  ASSERT_TRUE(WriteWholeFile((first + "/.directory").c_str(), "x", 1));
  std::string message;
  ASSERT_TRUE(IngestClouds(first, data, Options("goes-east", 70), &message)) << message;
  EXPECT_EQ(message,
            "8 frames listed, newest 2018020707; 8 of 8 pictures added, 0 old frames removed");

  for (int hour = 8; hour < 14; ++hour)
    WritePicture(second + "/20180207" + (hour < 10 ? "0" : "") + std::to_string(hour) + "00.png",
                 100, 50, static_cast<uint8_t>(10 * hour));
  ASSERT_TRUE(IngestClouds(second, data, {}, &message)) << message;
  EXPECT_EQ(message,
            "12 frames listed, newest 201802071300; 6 of 6 pictures added, 2 old frames removed");

  const std::vector<FrameEntry> frames = ListedFrames(data);
  ASSERT_EQ(frames.size(), 12u);
  EXPECT_EQ(frames[0].t, "201802071300");
  EXPECT_EQ(frames[0].m, kDefaultFrameSource);
  EXPECT_EQ(frames[0].q, kDefaultFrameQuality);
  EXPECT_EQ(frames[6].t, "2018020707");
  EXPECT_EQ(frames[6].m, "goes-east");
  EXPECT_EQ(frames[6].q, 70);
  EXPECT_EQ(frames[11].t, "2018020702");
  const std::map<std::string, std::string> files = Snapshot(data);
  EXPECT_FALSE(files.count("clouds/2018020700.jpg"));
  EXPECT_FALSE(files.count("clouds/2018020701.jpg"));
  for (const FrameEntry& frame : frames)
    EXPECT_EQ(frame.s, static_cast<long long>(files.at("clouds/" + frame.t + ".jpg").size()));
  EXPECT_EQ(files.at("clouds/newest.jpg"), files.at("clouds/201802071300.jpg"));
  EXPECT_NEAR(CentreLevel(data + "/clouds/2018020703.jpg"), 60, 3);  // shrunk from 2048 x 1024
  EXPECT_NEAR(CentreLevel(data + "/clouds/201802071300.jpg"), 130, 3);
  // list-N holds the newest N.
  for (int n = 1; n <= 12; ++n) {
    const std::string& list = files.at("clouds/list-" + std::to_string(n) + ".xml");
    std::size_t images = 0;
    for (std::size_t at = list.find("<IMAGE "); at != std::string::npos;
         at = list.find("<IMAGE ", at + 1))
      ++images;
    EXPECT_EQ(images, static_cast<std::size_t>(n));
    EXPECT_NE(list.find("t=\"201802071300\""), std::string::npos);
  }
  EXPECT_EQ(files.at("version.txt"), "0.1.0\n");
  EXPECT_TRUE(files.count("errors/bad-t.xml"));
}

TEST(CloudIngest, APictureOfAListedInstantReplacesItsFrame) {
  TempDir dir;
  const std::string data = dir.File("data");
  ASSERT_TRUE(CreateFolder(dir.File("a").c_str()) && CreateFolder(dir.File("b").c_str()));
  WritePicture(dir.File("a/2018020612.png"), 64, 32, 40);
  WritePicture(dir.File("a/2018020611.png"), 64, 32, 40);
  std::string message;
  ASSERT_TRUE(IngestClouds(dir.File("a"), data, {}, &message)) << message;
  WritePicture(dir.File("b/201802061200.bmp"), 64, 32, 200);
  ASSERT_TRUE(IngestClouds(dir.File("b"), data, {}, &message)) << message;
  EXPECT_EQ(ListedTimes(data), (std::vector<std::string>{"201802061200", "2018020611"}));
  EXPECT_FALSE(FileExists((data + "/clouds/2018020612.jpg").c_str()));
  EXPECT_NEAR(CentreLevel(data + "/clouds/newest.jpg"), 200, 3);
}

TEST(CloudIngest, RefusesAFolderItCannotTakeWholeAndKeepsTheOldFrames) {
  TempDir dir;
  const std::string data = dir.File("data");
  ASSERT_TRUE(CreateFolder(dir.File("good").c_str()));
  WritePicture(dir.File("good/2018020600.png"), 64, 32, 90);
  std::string message;
  ASSERT_TRUE(IngestClouds(dir.File("good"), data, {}, &message)) << message;
  const std::map<std::string, std::string> before = Snapshot(data);

  const std::string markup = "<?xml version=\"1.0\"?><ERROR n=\"1\">x</ERROR>";
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // name, bytes ("" = a picture)
    const char* says;
  } cases[] = {
      {"markup",
       {{"2018020620.jpg", markup}, {"2018020619.png", ""}},
       "2018020620.jpg: not a picture"},
      {"cut", {{"2018020620.png", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR"}}, "not a picture"},
      {"empty file", {{"2018020620.gif", ""}}, ""},
      {"named",
       {{"2018020620.png", ""}, {"notes.txt", "hello"}},
       "notes.txt: not named by its UTC time"},
      {"square", {{"2018020620.bmp", "square"}}, "is not an equirectangular picture"},
      {"twice",
       {{"2018020620.png", ""}, {"201802062000.bmp", ""}},
       "a second picture of the same time"},
      {"format", {{"2018020620.tiff", "II*\0"}}, "not a picture"},
      {"none", {}, "no pictures in"},
  };
  int index = 0;
  for (const Case& c : cases) {
    const std::string folder = dir.File("bad" + std::to_string(index++));
    ASSERT_TRUE(CreateFolder(folder.c_str()));
    for (const auto& [name, bytes] : c.files) {
      const std::string path = folder + "/" + name;
      if (bytes == "square")
        WritePicture(path, 300, 300, 10);
      else if (bytes.empty() && std::string(c.name) != "empty file")
        WritePicture(path, 64, 32, 10);
      else
        ASSERT_TRUE(WriteWholeFile(path.c_str(), bytes.data(), bytes.size()));
    }
    EXPECT_FALSE(IngestClouds(folder, data, {}, &message)) << c.name;
    EXPECT_NE(message.find(c.says), std::string::npos) << c.name << ": " << message;
    EXPECT_EQ(Snapshot(data), before) << c.name;
  }
  for (const char* source : {"", "a,b", "t=x", "with space", "123456789012345678901234567890123"})
    EXPECT_FALSE(IngestClouds(dir.File("good"), data, Options(source, 85), &message)) << source;
  EXPECT_FALSE(IngestClouds(dir.File("good"), data, Options("ok", 0), &message));
  EXPECT_FALSE(IngestClouds(dir.File("absent"), data, {}, &message));
  EXPECT_EQ(Snapshot(data), before);
}

// Two ingests into one folder at once each keep what the other added: neither lists frames
// without the other's, nor deletes the other's frames as no longer listed.
TEST(CloudIngest, RunsAtOnceKeepEachOthersFrames) {
  TempDir work;
  const std::string data = work.File("data");
  const std::string first = work.File("first");
  const std::string second = work.File("second");
  ASSERT_EQ(::mkdir(first.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(second.c_str(), 0755), 0);
  for (int hour = 0; hour < 4; ++hour) {
    WritePicture(first + "/201802060" + std::to_string(hour) + ".png", 2048, 1024, 40);
    WritePicture(second + "/201802061" + std::to_string(hour) + ".png", 2048, 1024, 200);
  }
  bool ok[2] = {false, false};
  std::string messages[2];
  std::thread a([&] { ok[0] = IngestClouds(first, data, CloudIngestOptions{}, &messages[0]); });
  std::thread b([&] { ok[1] = IngestClouds(second, data, CloudIngestOptions{}, &messages[1]); });
  a.join();
  b.join();
  ASSERT_TRUE(ok[0]) << messages[0];
  ASSERT_TRUE(ok[1]) << messages[1];
  const std::vector<std::string> listed = ListedTimes(data);
  EXPECT_EQ(listed.size(), 8u);
  for (const std::string& t : listed)
    EXPECT_TRUE(ReadWholeFile((data + "/clouds/" + t + ".jpg").c_str())) << t;
}

DibPtr FlatPicture(int width, int height, uint8_t level) {
  DibPtr dib = DibCreate(width, height, 24, 256);
  for (int y = 0; y < height; ++y) std::fill_n(dib->rows[y], width * 3, level);
  return dib;
}

std::vector<NewCloudFrame> Frames(std::initializer_list<std::pair<const char*, uint8_t>> frames) {
  std::vector<NewCloudFrame> out;
  for (const auto& [t, level] : frames) out.push_back({t, FlatPicture(2048, 1024, level)});
  return out;
}

// Live frames from memory: a sample gives way to them whole, later ones merge with the held,
// and the lists' root says where they came from, a failure noted and cleared without touching
// the frames, newest.jpg always the newest listed.
// Whether held frames stay is read from the folder under the lock, when the writer writes: a
// cron ingest into the sample replaces it, and a live refresh that began before it keeps its
// frame. No list mixes the sample with live frames.
TEST(CloudIngest, HeldFramesStayOnlyWithTheirOwnKind) {
  TempDir dir;
  const std::string data = dir.File("data");
  const std::string pictures = dir.File("pictures");
  ASSERT_EQ(::mkdir(pictures.c_str(), 0755), 0);
  CloudIngestOptions sample = Options("sample-synthetic-motion", 85);
  sample.provenance = {"Sample", true, 0, 0, ""};
  std::string message;
  ASSERT_TRUE(IngestCloudFrames(Frames({{"2018020610", 30}, {"2018020611", 40}}), data, sample,
                                &message));
  WritePicture(pictures + "/202512090800.png", 64, 32, 90);
  ASSERT_TRUE(IngestClouds(pictures, data, Options("cron", 85), &message)) << message;
  EXPECT_EQ(ListedTimes(data), (std::vector<std::string>{"202512090800"}));
  EXPECT_FALSE(ListedProvenance(data).sample);

  CloudIngestOptions live = Options("nowcoast", 85);
  live.provenance = {"nowcoast", false, 1765270800, 0, ""};
  ASSERT_TRUE(IngestCloudFrames(Frames({{"202512090900", 100}}), data, live, &message));
  EXPECT_EQ(ListedTimes(data), (std::vector<std::string>{"202512090900", "202512090800"}));

  // The labelled sample again gives way to nothing live, and takes the lists whole.
  ASSERT_TRUE(IngestCloudFrames(Frames({{"2018020612", 50}}), data, sample, &message));
  EXPECT_EQ(ListedTimes(data), (std::vector<std::string>{"2018020612"}));
  EXPECT_TRUE(ListedProvenance(data).sample);
}

TEST(CloudIngest, FramesFromMemoryCarryTheirProvenance) {
  TempDir dir;
  const std::string data = dir.File("data");
  const std::string sample = dir.File("sample");
  ASSERT_EQ(::mkdir(sample.c_str(), 0755), 0);
  for (int hour = 10; hour < 14; ++hour)
    WritePicture(sample + "/20180206" + std::to_string(hour) + ".png", 64, 32, 30);
  CloudIngestOptions sampleOptions = Options("sample-synthetic-motion", 85);
  sampleOptions.provenance = {"Sample", true, 0, 0, ""};
  std::string message;
  ASSERT_TRUE(IngestClouds(sample, data, sampleOptions, &message)) << message;
  EXPECT_EQ(ListedProvenance(data), sampleOptions.provenance);

  CloudIngestOptions live = Options("nowcoast", 85);
  live.provenance = {"nowcoast", false, 1765274400, 0, ""};
  ASSERT_TRUE(IngestCloudFrames(Frames({{"202512091000", 200}, {"202512090900", 100}}), data, live,
                                &message))
      << message;
  EXPECT_EQ(ListedTimes(data), (std::vector<std::string>{"202512091000", "202512090900"}));
  EXPECT_EQ(ListedProvenance(data), live.provenance);
  EXPECT_FALSE(ReadWholeFile((data + "/clouds/2018020610.jpg").c_str()));
  EXPECT_EQ(*ReadWholeFile((data + "/clouds/newest.jpg").c_str()),
            *ReadWholeFile((data + "/clouds/202512091000.jpg").c_str()));
  for (const FrameEntry& frame : ListedFrames(data)) EXPECT_EQ(frame.m, "nowcoast");

  live.source = "eumetsat";
  ASSERT_TRUE(IngestCloudFrames(Frames({{"202512091100", 250}}), data, live, &message)) << message;
  EXPECT_EQ(ListedTimes(data).size(), 3u);
  EXPECT_EQ(ListedFrames(data).front().m, "eumetsat");
  EXPECT_EQ(CentreLevel(data + "/clouds/newest.jpg"),
            CentreLevel(data + "/clouds/202512091100.jpg"));
  EXPECT_GT(CentreLevel(data + "/clouds/newest.jpg"), 240);

  const auto frames = Snapshot(data);
  Provenance failed = live.provenance;
  failed.failed = 1765278000;
  failed.problem = "every cloud source failed: a: \"<refused>\" & 'gone'";
  ASSERT_TRUE(RewriteListedProvenance(data, failed, &message)) << message;
  EXPECT_EQ(ListedProvenance(data), failed);
  for (const auto& [name, bytes] : Snapshot(data))
    if (name.rfind("clouds/list-", 0) != 0) {
      EXPECT_EQ(bytes, frames.at(name)) << name;
    }
  ASSERT_TRUE(RewriteListedProvenance(data, live.provenance, &message));
  EXPECT_EQ(Snapshot(data), frames);

  // Two pictures of one instant, or a bad time, refuse the batch with the folder untouched.
  EXPECT_FALSE(
      IngestCloudFrames(Frames({{"202512091200", 9}, {"2025120912", 9}}), data, live, &message));
  EXPECT_FALSE(IngestCloudFrames(Frames({{"202513091200", 9}}), data, live, &message));
  EXPECT_FALSE(IngestCloudFrames({}, data, live, &message));
  EXPECT_FALSE(RewriteListedProvenance(dir.File("empty"), failed, &message));
  EXPECT_EQ(Snapshot(data), frames);
}

}  // namespace
}  // namespace meridiana::service
