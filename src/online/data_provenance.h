#pragma once
// Where the service's earthquakes and cloud frames came from, read from the root element of its
// replies (QUAKES, IMAGES), and the short texts the map, the status bar and the command line
// make of it: "USGS, 3 min ago", "Sample: 31 Jan - 7 Feb 2018", a refresh that failed.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/clock.h"

namespace meridiana {

struct QuakeRecord;

struct DataProvenance {
  bool present = false;        // the root element carried any of the values below
  std::string source;          // the source's short name, one plain line
  bool sample = false;         // the labelled sample, not live data
  TimeValue updated = 0;       // when the source made the data; 0 unknown
  bool refreshFailed = false;  // the last refresh after that failed (failed or problem given)
  TimeValue failed = 0;        // when; 0 unknown
  std::string problem;         // why, one plain line
};

// A source name or a problem longer than these is cut.
inline constexpr std::size_t kMaxSourceNameBytes = 32;
inline constexpr std::size_t kMaxProblemBytes = 200;

// The attributes of the first element named rootName (any letter case). A time that is not
// "YYYY-MM-DDTHH:MM:SSZ" reads as 0; a reply without the root, or a root without any of them,
// reads as not present.
DataProvenance ReadProvenance(std::string_view body, std::string_view rootName);

// "YYYY-MM-DDTHH:MM:SSZ" (UTC) as seconds since 1970; none for anything else.
std::optional<TimeValue> ParseIsoTime(std::string_view text);
// A frame's name YYYYMMDDHH or YYYYMMDDHHMM (UTC) as seconds since 1970; none for anything else.
std::optional<TimeValue> FrameTime(std::string_view t);

// The words of these texts, in the interface language; "%s" stands for a number or a text.
struct ProvenanceTexts {
  std::string justNow = "just now";
  std::string minutesAgo = "%s min ago";
  std::string hoursAgo = "%s h ago";
  std::string daysAgo = "%s d ago";
  std::string sample = "Sample:";
  std::string syntheticMotion = "synthetic motion";
  std::string months = "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec";
  std::string quakesFailed = "Live earthquakes could not be downloaded: %s; showing data from %s";
  std::string quakesFailedSample =
      "Live earthquakes could not be downloaded: %s; showing the sample";
  std::string cloudsFailed = "Live clouds could not be downloaded: %s; showing data from %s";
  std::string cloudsFailedSample = "Live clouds could not be downloaded: %s; showing the sample";
  std::string auroraFailed =
      "Live aurora forecast could not be downloaded: %s; showing data from %s";
  std::string auroraFailedSample =
      "Live aurora forecast could not be downloaded: %s; showing the sample";
};

// The lists the service keeps live.
enum class LiveList { kQuakes, kClouds, kAurora };

// How long ago then was: "just now" under a minute, then whole minutes, hours, days. A time
// more than five minutes ahead (a clock that is wrong somewhere) is given as its UTC date.
std::string AgeText(TimeValue then, TimeValue now, const ProvenanceTexts& texts);

// "2026-12-09 15:40 UTC".
std::string UtcMinuteText(TimeValue t);

// The days the events span, from their qt times: "31 Jan - 7 Feb 2018", "31 Dec 2017 - 2 Jan
// 2018", "7 Feb 2018"; empty when no time reads.
std::string QuakeRangeText(const std::vector<QuakeRecord>& records, const ProvenanceTexts& texts);

// The legend's line: "USGS, 3 min ago", "Sample: 31 Jan - 7 Feb 2018"; empty without provenance.
std::string QuakeSourceLine(const DataProvenance& provenance,
                            const std::vector<QuakeRecord>& records, TimeValue now,
                            const ProvenanceTexts& texts);
// The cloud date's companion: the frame's source (its m, else the list's source) and age,
// "Sample: synthetic motion" for the sample; empty without provenance.
std::string CloudSourceLine(const DataProvenance& provenance, std::string_view frameNote,
                            std::string_view frameName, TimeValue now,
                            const ProvenanceTexts& texts);

// The status text when the service's last refresh failed; empty when it did not.
std::string RefreshFailureText(const DataProvenance& provenance, LiveList list, TimeValue now,
                               const ProvenanceTexts& texts);
inline std::string RefreshFailureText(const DataProvenance& provenance, bool quakes, TimeValue now,
                                      const ProvenanceTexts& texts) {
  return RefreshFailureText(provenance, quakes ? LiveList::kQuakes : LiveList::kClouds, now, texts);
}

// The command line's lines, in English: "source: USGS, updated 2026-12-09 15:40 UTC (3 min
// ago)" or "sample: <what>", then "last refresh failed at 2026-12-09 16:10 UTC: <problem>"
// when one did; "source: not stated" without provenance.
std::vector<std::string> ProvenanceReport(const DataProvenance& provenance,
                                          std::string_view sampleWhat, TimeValue now);

// Each "%s" of the text in turn replaced by the next value, as text; the values are never read
// for placeholders.
std::string FillPlaceholders(std::string_view text, const std::vector<std::string>& values);

}  // namespace meridiana
