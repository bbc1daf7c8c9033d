#include "service/wms_request.h"

#include <algorithm>
#include <cctype>
#include <ctime>

#include "service/cloud_ingest.h"
#include "service/frame_time.h"

namespace meridiana::service {
namespace {

constexpr int kListed = 12;
constexpr long long kLatencyAllowed = 6 * 3600;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

struct Parameter {
  std::string name;  // as written
  std::string value;
};

std::vector<Parameter> QueryParameters(const std::string& query) {
  std::vector<Parameter> parameters;
  std::size_t start = 0;
  while (start <= query.size()) {
    std::size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    const std::string pair = query.substr(start, end - start);
    if (!pair.empty()) {
      const std::size_t equals = pair.find('=');
      parameters.push_back(equals == std::string::npos
                               ? Parameter{pair, ""}
                               : Parameter{pair.substr(0, equals), pair.substr(equals + 1)});
    }
    start = end + 1;
  }
  return parameters;
}

const Parameter* Find(const std::vector<Parameter>& parameters, const char* name) {
  for (const Parameter& parameter : parameters)
    if (Upper(parameter.name) == name) return &parameter;
  return nullptr;
}

// A CRS value with "%3A" read as ":", in capitals.
std::string CrsName(const std::string& value) {
  const std::string upper = Upper(value);
  std::string name;
  for (std::size_t i = 0; i < upper.size(); ++i) {
    if (upper.compare(i, 3, "%3A") == 0) {
      name += ':';
      i += 2;
    } else {
      name += upper[i];
    }
  }
  return name;
}

void SplitUrl(const std::string& url, std::string* base, std::string* query) {
  std::string whole = url.substr(0, url.find('#'));
  const std::size_t mark = whole.find('?');
  *base = whole.substr(0, mark);
  *query = mark == std::string::npos ? std::string() : whole.substr(mark + 1);
}

bool IsNumericHost(const std::string& host) {
  return host.find(':') != std::string::npos ||
         std::all_of(host.begin(), host.end(), [](char c) { return std::isdigit(c) || c == '.'; });
}

}  // namespace

std::string UrlHost(const std::string& url) {
  const std::size_t scheme = url.find("://");
  if (scheme == std::string::npos) return {};
  const std::size_t start = scheme + 3;
  const std::size_t end = url.find_first_of("/?#", start);
  const std::string authority = url.substr(start, end == std::string::npos ? end : end - start);
  if (!authority.empty() && authority[0] == '[') {
    const std::size_t close = authority.find(']');
    return close == std::string::npos ? std::string() : authority.substr(1, close - 1);
  }
  return authority.substr(0, authority.find(':'));
}

std::string SourceNameOfHost(const std::string& host) {
  std::string name;
  if (IsNumericHost(host)) {
    name = host;
    std::replace(name.begin(), name.end(), ':', '-');
  } else {
    std::vector<std::string> labels;
    std::size_t start = 0;
    while (start <= host.size()) {
      std::size_t dot = host.find('.', start);
      if (dot == std::string::npos) dot = host.size();
      if (dot > start) labels.push_back(Lower(host.substr(start, dot - start)));
      start = dot + 1;
    }
    if (labels.size() > 1) labels.pop_back();  // the top-level domain
    static constexpr const char* kSecondLevel[] = {"co",  "com", "ac", "org", "net",
                                                   "gov", "edu", "or", "ne",  "go"};
    if (labels.size() > 1 && host.size() > 3 && host[host.size() - 3] == '.' &&
        std::find(std::begin(kSecondLevel), std::end(kSecondLevel), labels.back()) !=
            std::end(kSecondLevel))
      labels.pop_back();  // "co" of "co.uk"
    if (!labels.empty()) name = labels.back();
  }
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') c = '-';
  if (name.size() > kMaxSourceNameLength) name.resize(kMaxSourceNameLength);
  return name.empty() ? std::string(kDefaultFrameSource) : name;
}

bool ParseCloudSource(const std::string& text, CloudSourceSpec* spec, std::string* problem) {
  CloudSourceSpec parsed;
  parsed.text = text;
  if (text.rfind("wms:", 0) == 0) {
    parsed.kind = CloudSourceSpec::Kind::kWms;
    parsed.url = text.substr(4);
  } else if (text.rfind("image:", 0) == 0) {
    parsed.kind = CloudSourceSpec::Kind::kImage;
    parsed.url = text.substr(6);
  } else {
    *problem = "a cloud source is wms:URL or image:URL, not " + text;
    return false;
  }
  const std::string scheme = Lower(parsed.url.substr(0, parsed.url.find("://")));
  if (parsed.url.find("://") == std::string::npos || (scheme != "http" && scheme != "https")) {
    *problem = "a cloud source's address is http:// or https://: " + text;
    return false;
  }
  if (std::any_of(parsed.url.begin(), parsed.url.end(),
                  [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; })) {
    *problem = "a cloud source's address has no blanks or control characters";
    return false;
  }
  const std::string host = UrlHost(parsed.url);
  const std::size_t authorityEnd = parsed.url.find_first_of("/?#", scheme.size() + 3);
  const std::string authority = parsed.url.substr(
      scheme.size() + 3,
      authorityEnd == std::string::npos ? authorityEnd : authorityEnd - scheme.size() - 3);
  if (host.empty() || authority.find('@') != std::string::npos) {
    *problem = "a cloud source's address names a host (and no user): " + text;
    return false;
  }
  if (parsed.kind == CloudSourceSpec::Kind::kWms) {
    std::string base, query;
    SplitUrl(parsed.url, &base, &query);
    const std::vector<Parameter> parameters = QueryParameters(query);
    const Parameter* layers = Find(parameters, "LAYERS");
    if (!layers || layers->value.empty()) {
      *problem = "a wms source names its layer (LAYERS=...): " + text;
      return false;
    }
    if (const Parameter* crs = Find(parameters, "CRS");
        crs && CrsName(crs->value) != "EPSG:4326" && CrsName(crs->value) != "CRS:84") {
      *problem = "a wms source asks in EPSG:4326 or CRS:84, not " + crs->value;
      return false;
    }
  }
  parsed.name = SourceNameOfHost(host);
  *spec = std::move(parsed);
  return true;
}

std::string GetMapUrl(const std::string& sourceUrl, long long instant, int width, int height) {
  std::string base, query;
  SplitUrl(sourceUrl, &base, &query);
  static constexpr const char* kReplaced[] = {"REQUEST", "VERSION", "BBOX", "WIDTH",
                                              "HEIGHT",  "TIME",    "SRS"};
  std::vector<Parameter> parameters;
  for (Parameter& parameter : QueryParameters(query)) {
    const std::string name = Upper(parameter.name);
    if (std::find(std::begin(kReplaced), std::end(kReplaced), name) == std::end(kReplaced))
      parameters.push_back(std::move(parameter));
  }
  const Parameter* crs = Find(parameters, "CRS");
  const bool longitudeFirst = crs && CrsName(crs->value) == "CRS:84";
  if (!Find(parameters, "SERVICE")) parameters.push_back({"SERVICE", "WMS"});
  parameters.push_back({"REQUEST", "GetMap"});
  parameters.push_back({"VERSION", "1.3.0"});
  if (!crs) parameters.push_back({"CRS", "EPSG:4326"});
  parameters.push_back({"BBOX", longitudeFirst ? "-180,-90,180,90" : "-90,-180,90,180"});
  parameters.push_back({"WIDTH", std::to_string(width)});
  parameters.push_back({"HEIGHT", std::to_string(height)});
  if (!Find(parameters, "FORMAT")) parameters.push_back({"FORMAT", "image/png"});
  if (!Find(parameters, "STYLES")) parameters.push_back({"STYLES", ""});
  if (instant > 0) {
    std::string time = FrameTimeOf(instant);
    std::string iso = time.substr(0, 4);
    iso += '-';
    iso += time.substr(4, 2);
    iso += '-';
    iso += time.substr(6, 2);
    iso += 'T';
    iso += time.substr(8, 2);
    iso += ':';
    iso += time.substr(10, 2);
    iso += ":00Z";
    parameters.push_back({"TIME", iso});
  }
  std::string url = base;
  url += '?';
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (i) url += '&';
    url += parameters[i].name;
    url += '=';
    url += parameters[i].value;
  }
  return url;
}

std::string FrameTimeOf(long long instant) {
  const std::time_t seconds = static_cast<std::time_t>(instant);
  std::tm utc{};
  if (!gmtime_r(&seconds, &utc)) return {};
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d%H%M", &utc);
  return text;
}

long long InstantOfFrameTime(const std::string& t) { return FrameTimeMinutes(t) * 60; }

long long LatencySteps(long long cadenceSeconds) {
  const long long step = std::max(60LL, cadenceSeconds);
  return std::clamp((kLatencyAllowed + step - 1) / step, 1LL, 24LL);
}

std::vector<long long> WmsInstantsToAsk(long long now, long long cadenceSeconds,
                                        const std::set<long long>& held, bool holdsTwelve) {
  const long long step = std::max(60LL, cadenceSeconds);
  const long long newest = now / step * step;
  const long long count = kListed + LatencySteps(step);
  const long long newestHeld = held.empty() ? 0 : *held.rbegin();
  std::vector<long long> instants;
  for (long long i = 0; i < count; ++i) {
    const long long instant = newest - i * step;
    if (instant <= 0 || (holdsTwelve && instant <= newestHeld)) break;
    if (!held.count(instant)) instants.push_back(instant);
  }
  return instants;
}

}  // namespace meridiana::service
