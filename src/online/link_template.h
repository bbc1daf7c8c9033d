#pragma once
// Web links from the installation's templates: the keys of a template (%CITY%, %LAT%, $YYYY, ...)
// filled in for a city, an instant and the interface, ready to open in a browser.

#include <optional>
#include <string>
#include <string_view>

#include "foundation/clock.h"
#include "foundation/key_value_store.h"
#include "world/world_data.h"

namespace meridiana {

// Templates are read into a buffer of this size: a longer one is cut to kMaxTemplateBytes.
inline constexpr std::size_t kMaxTemplateBytes = 255;
// An expanded link longer than this is refused.
inline constexpr std::size_t kMaxLinkBytes = 4096;

// The link templates the installation provides, by value name.
inline constexpr const char* kLinkNames[] = {"hotels", "weather", "books", "sat", "faq"};

struct LinkContext {
  std::string language;  // interface language code, "" when none is set
  std::string linkId;    // the "cookie" value, "" when there is none
  float zoom = 1.0f;     // the map's zoom factor, for %SCALE%
  // Where %LAT% and %LONG% point without any city: the map position of the last mouse position.
  double pointerLatitude = 0.0;
  double pointerLongitude = 0.0;
  std::string clientId;   // $ID
  std::string machineId;  // $MID
};

// application/x-www-form-urlencoded of the bytes: letters, digits, " *-._" stay, every other
// byte becomes %XX, then blanks become "+".
std::string FormEncoded(std::string_view text);

// The template with its keys replaced; nullopt when the result would exceed kMaxLinkBytes.
// city may be null (service links, and links without any city); world gives the city's country.
// Keys are found in one pass from left to right, so text put in for one key is never taken for
// another.
std::optional<std::string> ExpandTemplate(std::string_view text, const City* city,
                                          const WorldData& world, TimeValue now,
                                          const LinkContext& context);

// The installation's template `name` (a local-machine value under the program's key) expanded,
// with the link id taken from its "cookie" value (at most 20 characters); nullopt when the
// template is missing or the link too long.
std::optional<std::string> ExpandStoredLink(const KeyValueStore& store, std::string_view name,
                                            const City* city, const WorldData& world, TimeValue now,
                                            LinkContext context);

}  // namespace meridiana
