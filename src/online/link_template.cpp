#include "online/link_template.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "foundation/dyn_string.h"

namespace meridiana {
namespace {

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// A link id counts when it is there, not empty and its number is not 1000.
bool LinkIdCounts(const std::string& id) { return !id.empty() && std::atoi(id.c_str()) != 1000; }

}  // namespace

std::string FormEncoded(std::string_view text) {
  if (text.empty()) return {};
  DynString encoded;
  if (!DynStringAssignN(&encoded, text.data(), static_cast<std::int32_t>(text.size())) ||
      !DynStringUrlEncode(&encoded)) {
    return {};
  }
  return encoded.c_str();
}

std::optional<std::string> ExpandTemplate(std::string_view text, const City* city,
                                          const WorldData& world, TimeValue now,
                                          const LinkContext& context) {
  text = text.substr(0, std::min(text.size(), kMaxTemplateBytes));
  const CalendarTime utc = UtcBreakdown(now);
  const std::string name = city != nullptr ? std::string(WithoutTrailingBlanks(city->name)) : "";
  const std::string* country = city != nullptr ? CountryOfCity(world, *city) : nullptr;
  const std::string countryName = country != nullptr ? *country : "";
  const bool withId = LinkIdCounts(context.linkId);
  const bool withLanguage = !context.language.empty();
  const double latitude =
      city != nullptr ? city->latitude : std::clamp(context.pointerLatitude, -90.0, 90.0);
  const double longitude =
      city != nullptr ? city->longitude : std::clamp(context.pointerLongitude, -180.0, 180.0);
  const int decimals = city != nullptr ? 4 : 2;
  const float zoom = context.zoom > 0.0f ? context.zoom : 1.0f;

  // The keys in the order they are tried at each place; a removal replaces by nothing.
  struct Key {
    std::string_view key;
    std::function<std::optional<std::string>()> value;  // nullopt: the key stays as written
  };
  const Key keys[] = {
      {"/%LANG%",
       [&]() -> std::optional<std::string> {
         if (withLanguage) return "/" + context.language;
         return std::string();
       }},
      {"%LANG%", [&] { return std::optional<std::string>(context.language); }},
      {"?id=%ID%",
       [&]() -> std::optional<std::string> {
         if (withId) return "?id=" + context.linkId;
         return std::string();
       }},
      {"%ID%",
       [&]() -> std::optional<std::string> {
         if (withId) return context.linkId;
         return std::nullopt;
       }},
      {"%CITY%", [&] { return std::optional<std::string>(FormEncoded(name)); }},
      {"%STATE%",
       [&] {
         return std::optional<std::string>(
             FormEncoded(city != nullptr ? city->state.value_or("") : ""));
       }},
      {"%COUNTRY%", [&] { return std::optional<std::string>(FormEncoded(countryName)); }},
      {"%LAT%", [&] { return std::optional<std::string>(Fixed(latitude, decimals)); }},
      {"%LONG%", [&] { return std::optional<std::string>(Fixed(longitude, decimals)); }},
      {"%SCALE%", [&] { return std::optional<std::string>(Fixed(40075.16 / (zoom * 1024.0), 2)); }},
      {"$YYYY", [&] { return std::optional<std::string>(std::to_string(utc.year)); }},
      {"$MM", [&] { return std::optional<std::string>(std::to_string(utc.month)); }},
      {"$DD", [&] { return std::optional<std::string>(std::to_string(utc.day)); }},
      {"$HH", [&] { return std::optional<std::string>(std::to_string(utc.hour + 1)); }},
      {"$MID", [&] { return std::optional<std::string>(context.machineId); }},
      {"$ID", [&] { return std::optional<std::string>(context.clientId); }},
      {"$QUERY",
       [&] {
         return std::optional<std::string>(FormEncoded(countryName) + "%20Travel%20" + name);
       }},
  };

  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    bool replaced = false;
    for (const Key& key : keys) {
      if (text.compare(at, key.key.size(), key.key) != 0) continue;
      const std::optional<std::string> value = key.value();
      if (!value) continue;
      out += *value;
      at += key.key.size();
      replaced = true;
      break;
    }
    if (!replaced) out += text[at++];
    if (out.size() > kMaxLinkBytes) return std::nullopt;
  }
  return out;
}

std::optional<std::string> ExpandStoredLink(const KeyValueStore& store, std::string_view name,
                                            const City* city, const WorldData& world, TimeValue now,
                                            LinkContext context) {
  constexpr std::size_t kMaxLinkIdBytes = 20;
  const std::optional<std::string> text = store.Read(Hive::LocalMachine, kAppKey, name);
  if (!text) return std::nullopt;
  context.linkId =
      store.Read(Hive::LocalMachine, kAppKey, "cookie").value_or("").substr(0, kMaxLinkIdBytes);
  return ExpandTemplate(*text, city, world, now, context);
}

}  // namespace meridiana
