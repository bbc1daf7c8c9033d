#pragma once
// Cloud frames for the service: equirectangular pictures named by their UTC time become
// 1024 x 512 JPEG frames in the data folder, merged with the frames it holds, the twelve newest
// listed.

#include <string>
#include <vector>

#include "foundation/dib.h"
#include "service/reply_documents.h"

namespace meridiana::service {

inline constexpr int kFrameWidth = 1024;
inline constexpr int kFrameHeight = 512;
inline constexpr int kDefaultFrameQuality = 85;
inline constexpr const char* kDefaultFrameSource = "clouds";
// A source name is 1 to 32 letters, digits, ".", "-" and "_": it goes into the list as m, which
// the program keeps in a comma-separated settings line and reads after "t=" markers.
inline constexpr std::size_t kMaxSourceNameLength = 32;

struct CloudIngestOptions {
  std::string source = kDefaultFrameSource;  // m of the new frames
  int quality = kDefaultFrameQuality;        // q of the new frames, 1 to 100
  // On the root of every list. Frames held stay listed with the new ones when both are the
  // labelled sample or both are not; otherwise the held ones give way.
  Provenance provenance;
};

bool IsValidSourceName(const std::string& name);

// Equirectangular pictures cover 360 by 180 degrees; anything else would be stretched.
bool IsEquirectangularSize(long long width, long long height);

// The frames the data folder lists now (clouds/list-12.xml), newest first, each one whose file
// is there; s is taken from the file itself.
std::vector<FrameEntry> ListedFrames(const std::string& dataFolder);

// Takes every picture in imageFolder (names "YYYYMMDDHH.ext" or "YYYYMMDDHHMM.ext"; files whose
// name starts with "." and subfolders are passed over). A picture of the same instant as a
// listed frame replaces it. The twelve newest of both are kept: new ones are decoded, checked
// to be about twice as wide as high, scaled to 1024 x 512 and written as JPEG, then the lists and
// newest.jpg are written and the files of frames no longer listed are deleted. Pictures older
// than the twelve kept are not read. Any name that is not a frame time, or a kept picture that
// cannot be read, refuses the whole folder before anything is written. *message gets one line:
// what was done, or why nothing was.
bool IngestClouds(const std::string& imageFolder, const std::string& dataFolder,
                  const CloudIngestOptions& options, std::string* message);

// A picture already in memory, for the live sources.
struct NewCloudFrame {
  std::string t;   // YYYYMMDDHH or YYYYMMDDHHMM
  DibPtr picture;  // equirectangular; scaled to 1024 x 512 when it is not
};

// The same merge and the same writing order as IngestClouds, for pictures in memory.
bool IngestCloudFrames(std::vector<NewCloudFrame> frames, const std::string& dataFolder,
                       const CloudIngestOptions& options, std::string* message);

// What the root of clouds/list-12.xml says of where its frames came from; empty without a list.
Provenance ListedProvenance(const std::string& dataFolder);

// Writes every list again, naming the same frames, with this provenance (a failed refresh noted
// or cleared). False, with the reason in *message, when the folder lists no frames.
bool RewriteListedProvenance(const std::string& dataFolder, const Provenance& provenance,
                             std::string* message);

}  // namespace meridiana::service
