// The cloud chain without the network: where default sources are forbidden none is contacted
// and each refusal is written down; a failed refresh is noted on the held lists, frames kept;
// the time the folder's frames stand for comes from live lists only.

#include "service/cloud_source.h"

#include <gtest/gtest.h>

#include <set>

#include "foundation/file_util.h"
#include "map/dib_ops.h"
#include "service/cloud_ingest.h"
#include "service/picture_validators.h"
#include "support/temp_dir.h"

namespace meridiana::service {
namespace {

void HoldFrames(const std::string& data, const Provenance& provenance) {
  std::vector<NewCloudFrame> frames;
  for (const char* t : {"2026120914", "2026120915"}) {
    DibPtr picture = DibCreate(64, 32, 24, 256);
    for (int y = 0; y < 32; ++y) std::fill_n(picture->rows[y], 64 * 3, uint8_t{120});
    frames.push_back({t, std::move(picture)});
  }
  CloudIngestOptions options;
  options.provenance = provenance;
  std::string message;
  ASSERT_TRUE(IngestCloudFrames(std::move(frames), data, options, &message)) << message;
}

TEST(CloudSource, ForbiddenDefaultsAreRefusedAndWrittenDown) {
  TempDir dir;
  const std::string data = dir.File("data");
  const std::string log = dir.File("forbidden.log");
  HoldFrames(data, {"Sample", true, 0, 0, ""});
  const std::string before = *ReadWholeFile((data + "/clouds/list-12.xml").c_str());
  const ScopedEnv forbid("MERIDIANA_FORBID_DEFAULT_SOURCES", log.c_str());

  const std::unique_ptr<LiveSource> chain =
      MakeCloudChain(DefaultCloudSources(), kDefaultCloudCadence);
  EXPECT_EQ(chain->Kind(), "clouds");
  EXPECT_EQ(chain->Cadence(), kDefaultCloudCadence);
  const std::string described = chain->Describe();
  EXPECT_EQ(std::count(described.begin(), described.end(), '\n') + 1,
            static_cast<long>(DefaultCloudSources().size()));

  std::string message;
  EXPECT_FALSE(chain->Refresh(data, std::stop_token(), &message));
  EXPECT_NE(message.find("every cloud source failed"), std::string::npos) << message;
  EXPECT_NE(message.find("default sources are forbidden here"), std::string::npos) << message;
  const std::optional<std::string> written = ReadWholeFile(log.c_str());
  ASSERT_TRUE(written);
  EXPECT_EQ(std::count(written->begin(), written->end(), '\n'),
            static_cast<long>(DefaultCloudSources().size()));
  EXPECT_EQ(written->find("https://"), 0u);
  EXPECT_EQ(*ReadWholeFile((data + "/clouds/list-12.xml").c_str()), before);
  EXPECT_FALSE(chain->HeldSince(data));

  // The sample, told why it is still the sample.
  const auto when = std::chrono::system_clock::time_point(std::chrono::seconds(1796833800));
  chain->MarkFailed(data, when, message + "\nsecond line");
  const Provenance marked = ListedProvenance(data);
  EXPECT_TRUE(marked.sample);
  EXPECT_EQ(marked.failed, 1796833800);
  EXPECT_EQ(marked.problem.find('\n'), std::string::npos);
  EXPECT_NE(marked.problem.find("forbidden"), std::string::npos);
  EXPECT_EQ(ListedFrames(data).size(), 2u);
}

TEST(CloudSource, HeldSinceIsTheNewestLiveFrame) {
  TempDir dir;
  const std::string data = dir.File("data");
  const std::unique_ptr<LiveSource> chain =
      MakeCloudChain({"image:https://127.0.0.1:1/clouds.png"}, std::chrono::minutes(30));
  EXPECT_FALSE(chain->HeldSince(data));
  HoldFrames(data, {"example", false, 1796832000, 0, ""});
  ASSERT_TRUE(chain->HeldSince(data));
  EXPECT_EQ(chain->HeldSince(data)->time_since_epoch(), std::chrono::seconds(1796832000));
}

// Kept per address across runs: one address's line replaced, the others kept, and a value that
// could break the line format never written.
TEST(CloudSource, PictureValidatorsAreKeptPerAddress) {
  TempDir dir;
  const std::string data = dir.File("data");
  ASSERT_TRUE(CreateFolder(data.c_str()) && CreateFolder((data + "/clouds").c_str()));
  const PictureValidators a{1796832000, PictureDigest("picture a"), "\"v1\"",
                            "Wed, 09 Dec 2026 15:00:00 GMT"};
  const PictureValidators b{1796835600, PictureDigest("picture b"), "", ""};
  ASSERT_TRUE(WritePictureValidators(data, "https://a.test/clouds.jpg", a));
  ASSERT_TRUE(WritePictureValidators(data, "https://b.test/clouds.jpg", b));
  EXPECT_EQ(ReadPictureValidators(data, "https://a.test/clouds.jpg"), a);
  EXPECT_EQ(ReadPictureValidators(data, "https://b.test/clouds.jpg"), b);
  EXPECT_FALSE(ReadPictureValidators(data, "https://c.test/clouds.jpg"));
  PictureValidators newer = a;
  newer.instant += 3600;
  newer.etag = "\"v2\"\tinjected";
  ASSERT_TRUE(WritePictureValidators(data, "https://a.test/clouds.jpg", newer));
  const std::optional<PictureValidators> read =
      ReadPictureValidators(data, "https://a.test/clouds.jpg");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->instant, newer.instant);
  EXPECT_TRUE(read->etag.empty() && read->lastModified.empty());
  EXPECT_EQ(ReadPictureValidators(data, "https://b.test/clouds.jpg"), b);
  EXPECT_NE(PictureDigest("picture a"), PictureDigest("picture b"));
}

}  // namespace
}  // namespace meridiana::service
