#pragma once
// The markup documents the service answers with. Every document starts with the XML declaration
// line and ends with a line break; attribute values and texts are escaped, so a value can never
// close its quotes or open a tag.

#include <string>
#include <string_view>
#include <vector>

namespace meridiana::service {

inline constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// One cloud frame as the list names it.
struct FrameEntry {
  std::string t;    // YYYYMMDDHH or YYYYMMDDHHMM, UTC; also the file name
  std::string m;    // the source's short name
  long long s = 0;  // JPEG size in bytes
  int q = 0;        // JPEG quality it was written at
};

// One earthquake as the quake list names it.
struct QuakeEntry {
  double latitude = 0;
  double longitude = 0;
  double magnitude = 0;
  double depth = 0;      // kilometres
  long long timeMs = 0;  // milliseconds since 1970-01-01 UTC
};

// Where the data of a list came from, written as attributes of its root element (QUAKES,
// IMAGES) so that the program can say so beside the layer; every one is left out when empty or 0.
//   source="USGS"                  short name of the source, shown to users
//   sample="1"                     the labelled sample, not live data
//   updated="2026-12-09T15:40:00Z" when the source made the data (a feed's generation time, the
//                                  newest frame's instant)
//   failed="2026-12-09T16:10:00Z"  the last refresh that failed after that, with
//   problem="..."                  its reason in one line
struct Provenance {
  std::string source;
  bool sample = false;
  long long updated = 0;  // seconds since 1970-01-01 UTC
  long long failed = 0;
  std::string problem;
  // The time the source stated when it lay ahead of the source's own clock, beyond the skew
  // allowed; updated then holds that clock's present instead.
  long long claimed = 0;
  friend bool operator==(const Provenance&, const Provenance&) = default;
};

// " source=\"...\" ..." for the root element: empty for an empty provenance.
std::string ProvenanceAttributes(const Provenance& provenance);

// "YYYY-MM-DDTHH:MM:SSZ" of seconds since 1970 (UTC); empty outside the years 1 to 9999.
std::string IsoTimeText(long long seconds);

// &, <, >, " and ' as entities; control characters other than tab, CR and LF become blanks
// (they have no place in XML 1.0).
std::string EscapeMarkup(std::string_view text);

// <IMAGES> with one IMAGE element per frame, in the order given (newest first).
std::string ImagesDocument(const std::vector<FrameEntry>& frames, const Provenance& provenance = {});

// <QUAKES> with one QUAKE element per event, in the order given (newest first). Coordinates are
// written with four decimals, magnitude and depth with two, trailing zeros dropped; qt is
// "YYYY-MM-DD HH:MM:SS" in UTC.
std::string QuakesDocument(const std::vector<QuakeEntry>& quakes,
                           const Provenance& provenance = {});

// <ERROR n="N">text</ERROR>.
std::string ErrorDocument(int n, std::string_view text);

// "YYYY-MM-DD HH:MM:SS" (UTC) of a time in milliseconds, the fraction dropped; empty outside the
// years 1 to 9999.
std::string QuakeTimeText(long long timeMs);

// Decimal text of a number rounded to the given decimals, without trailing zeros ("-0" becomes
// "0").
std::string DecimalText(double value, int decimals);

}  // namespace meridiana::service
