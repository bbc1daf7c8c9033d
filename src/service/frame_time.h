#pragma once
// The time stamps that name cloud frames: t in a request, and the picture names the ingest takes.

#include <optional>
#include <string>
#include <string_view>

namespace meridiana::service {

// The longest t the service takes; the program's own cache takes names of up to 32 characters.
inline constexpr std::size_t kMaxFrameTimeLength = 32;

// Whether a request's t can name a frame: 10 to 32 digits, nothing else. Only such a t is ever
// joined to a path.
bool IsValidFrameTime(std::string_view t);

// The frame time a picture's file name gives: "YYYYMMDDHH" or "YYYYMMDDHHMM" before the
// extension, a real UTC date and time of the years 1970 to 9999. None for anything else,
// including a name without an extension.
std::optional<std::string> FrameTimeFromFileName(std::string_view fileName);

// Minutes since 1970-01-01 UTC of a valid frame time, for ordering: "2018020612" and
// "201802061200" name the same instant.
long long FrameTimeMinutes(std::string_view t);

}  // namespace meridiana::service
