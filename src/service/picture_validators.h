#pragma once
// What a picture at a fixed address was when it was last taken, kept beside the frames
// (clouds/pictures.tsv, one line per address), so that a later refresh, in this process or the
// next cron run, asks for it conditionally and never takes the same picture twice.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace meridiana::service {

struct PictureValidators {
  long long instant = 0;  // of the frame it became
  std::uint64_t digest = 0;
  std::string etag;
  std::string lastModified;
  friend bool operator==(const PictureValidators&, const PictureValidators&) = default;
};

inline constexpr std::string_view kPictureValidatorsFile = "clouds/pictures.tsv";

std::optional<PictureValidators> ReadPictureValidators(const std::string& dataFolder,
                                                       const std::string& url);
// Replaces the address's line, the file written whole; a value with a tab or a line break (which
// no server should send) is not kept.
bool WritePictureValidators(const std::string& dataFolder, const std::string& url,
                            const PictureValidators& validators);

// FNV-1a of the bytes: the same on every build, unlike std::hash.
std::uint64_t PictureDigest(std::string_view bytes);

}  // namespace meridiana::service
