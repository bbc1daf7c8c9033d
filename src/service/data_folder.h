#pragma once
// The service's data folder: every reply as a ready-made file, so that any web server can serve
// the same folder.
//
//   version.txt               the newest program version, one line
//   quakes.xml                the earthquake list
//   aurora.xml                the aurora forecast
//   clouds/list-N.xml         the newest N frames, N = 1 to 12 (list-1.xml answers the check)
//   clouds/newest.jpg         a copy of the newest frame
//   clouds/<t>.jpg            each listed frame
//   clouds/pictures.tsv       what the live picture sources sent last (not a reply)
//   errors/not-found.xml      an unknown path or t (status 404)
//   errors/bad-t.xml          a t that is not 10 to 32 digits
//   errors/bad-n.xml          an n that is not a whole number from 1 up
//   errors/bad-request.xml    a cloud request with neither checkonly=1 nor f=1

#include <string>
#include <string_view>

namespace meridiana::service {

inline constexpr int kMaxListedFrames = 12;

inline constexpr std::string_view kVersionFile = "version.txt";
inline constexpr std::string_view kQuakesFile = "quakes.xml";
inline constexpr std::string_view kAuroraFile = "aurora.xml";
inline constexpr std::string_view kCloudsFolder = "clouds";
inline constexpr std::string_view kNewestFrameFile = "clouds/newest.jpg";
inline constexpr std::string_view kErrorsFolder = "errors";
inline constexpr std::string_view kNotFoundFile = "errors/not-found.xml";
inline constexpr std::string_view kBadTimeFile = "errors/bad-t.xml";
inline constexpr std::string_view kBadCountFile = "errors/bad-n.xml";
inline constexpr std::string_view kBadRequestFile = "errors/bad-request.xml";

// "clouds/list-N.xml" and "clouds/<t>.jpg", relative to the data folder.
std::string ListFile(int n);
std::string FrameFile(std::string_view t);

// The documents of the errors/ files, built here so the service can answer with the same bytes
// when a folder lacks them.
std::string NotFoundDocument();
std::string BadTimeDocument();
std::string BadCountDocument();
std::string BadRequestDocument();

// The program's own version, "0.1.0".
std::string ProgramVersion();

// Creates the folder and its clouds/ and errors/ folders as needed, writes the error documents,
// and version.txt when there is none (an operator may have put a newer version there). False,
// with the reason in *error, when something cannot be created or written.
bool PrepareDataFolder(const std::string& folder, std::string* error);

// folder + "/" + relative.
std::string InFolder(const std::string& folder, std::string_view relative);

}  // namespace meridiana::service
