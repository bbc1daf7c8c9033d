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

// &, <, >, " and ' as entities; control characters other than tab, CR and LF become blanks
// (they have no place in XML 1.0).
std::string EscapeMarkup(std::string_view text);

// <IMAGES> with one IMAGE element per frame, in the order given (newest first).
std::string ImagesDocument(const std::vector<FrameEntry>& frames);

// <QUAKES> with one QUAKE element per event, in the order given (newest first). Coordinates are
// written with four decimals, magnitude and depth with two, trailing zeros dropped; qt is
// "YYYY-MM-DD HH:MM:SS" in UTC.
std::string QuakesDocument(const std::vector<QuakeEntry>& quakes);

// <ERROR n="N">text</ERROR>.
std::string ErrorDocument(int n, std::string_view text);

// "YYYY-MM-DD HH:MM:SS" (UTC) of a time in milliseconds, the fraction dropped; empty outside the
// years 1 to 9999.
std::string QuakeTimeText(long long timeMs);

// Decimal text of a number rounded to the given decimals, without trailing zeros ("-0" becomes
// "0").
std::string DecimalText(double value, int decimals);

}  // namespace meridiana::service
