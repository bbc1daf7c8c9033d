#pragma once
// Which reply file answers a request. The rules are the ones deploy/meridiana-service.nginx
// gives nginx, so both serve a data folder alike: query arguments are read raw (not decoded),
// their names in any letter case, the first of a name counting, as nginx's $arg_ variables do.

#include <optional>
#include <string>
#include <string_view>

namespace meridiana::service {

inline constexpr std::string_view kXmlType = "text/xml";
inline constexpr std::string_view kJpegType = "image/jpeg";
inline constexpr std::string_view kTextType = "text/plain";

struct Route {
  int status = 200;
  std::string file;  // relative to the data folder
  std::string_view contentType;
  friend bool operator==(const Route&, const Route&) = default;
};

// The value of the first "name=value" argument (split at "&"), raw; none when there is none.
std::optional<std::string_view> QueryArgument(std::string_view query, std::string_view name);

// The path with runs of "/" merged and "." and ".." segments resolved (a trailing "/" kept);
// none when ".." would climb above the root.
std::optional<std::string> NormalisePath(std::string_view path);

// The reply for a GET (or HEAD) of a decoded path and a raw query:
//   /clouds/cloudv2.php  checkonly=1 and n   clouds/list-N.xml, N capped at 12
//                        checkonly=1         clouds/list-1.xml (an empty n counts as none)
//                        f=1 and t           clouds/<t>.jpg when t is 10 to 32 digits
//                        f=1                 clouds/newest.jpg (an empty t counts as none)
//                        a bad n or t, or neither form: an errors/ document, status 200, so
//                        that the program shows its text
//                        (refresh=1 beside checkonly=1 asks the live refresher to revalidate
//                        now; the route is the same)
//   /earthquake.cgi      quakes.xml (any query)
//   /aurora.cgi          aurora.xml (any query)
//   /version.txt         version.txt
//   anything else        errors/not-found.xml, status 404
// A route to a file that is not there is answered as not found by the server.
Route RouteRequest(std::string_view path, std::string_view query);

}  // namespace meridiana::service
