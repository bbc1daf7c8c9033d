// meridiana-cli links: the web links of one city, expanded from the installed templates (or a
// file of them) by the code the window's buttons use.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "cli_support.h"
#include "commands.h"
#include "foundation/file_key_value_store.h"
#include "foundation/file_util.h"
#include "foundation/ini_text.h"
#include "foundation/memory_key_value_store.h"
#include "iso_time.h"
#include "online/link_template.h"

namespace meridiana::cli {
namespace {

constexpr char kLinksUsage[] =
    "usage: meridiana-cli links NAME [--at YYYY-MM-DDTHH:MM:SSZ] [--lang CODE] "
    "[--templates FILE] [--data DIR]\n";

}  // namespace

int RunLinks(const Args& args) {
  if (args.empty() || args[0].empty() || args[0].front() == '-') {
    std::fprintf(stderr, "%s", kLinksUsage);
    return 2;
  }
  std::optional<TimeValue> at;
  std::string folder;
  std::string language;
  std::string templates;
  for (std::size_t i = 1; i < args.size(); i += 2) {
    const std::string& flag = args[i];
    if (i + 1 >= args.size() ||
        (flag != "--at" && flag != "--lang" && flag != "--templates" && flag != "--data")) {
      std::fprintf(stderr, "%s", kLinksUsage);
      return 2;
    }
    const std::string& value = args[i + 1];
    if (flag == "--at") {
      at = ParseIsoInstant(value, "links");
      if (!at) {
        std::fprintf(stderr, "meridiana-cli links: bad instant '%s'\n%s", value.c_str(),
                     kLinksUsage);
        return 2;
      }
    } else if (flag == "--lang") {
      language = value;
    } else if (flag == "--templates") {
      templates = value;
    } else {
      folder = value;
    }
  }
  if (folder.empty()) folder = DefaultDataFolder();
  WorldData world;
  DibPtr tzImage;
  if (!LoadCliTables(folder, "links", &world, &tzImage)) return 1;
  const City* city = ResolveCityOption(world, "links", args[0]);
  if (city == nullptr) return 1;

  // The templates: a file's, or the installation's under the user's own local-machine values.
  MemoryKeyValueStore fromFile;
  FileKeyValueStore installed(FileKeyValueStore::DefaultConfigFolder(), folder);
  const KeyValueStore* store = &installed;
  if (!templates.empty()) {
    errno = 0;  // a directory or an oversized file fails without an errno of its own
    const std::optional<std::string> text = ReadWholeFile(templates.c_str());
    if (!text) {
      const int error = errno;
      std::fprintf(stderr, "meridiana-cli links: cannot read the templates file '%s': %s\n",
                   templates.c_str(), error != 0 ? std::strerror(error) : "not a readable file of at most 64 MB");
      return 1;
    }
    const KeyValueTable table = ParseIniText(*text);
    for (const char* name : kLinkNames) {
      if (std::optional<std::string> value = table.Get(kAppKey, name))
        fromFile.Write(Hive::LocalMachine, kAppKey, name, *value);
    }
    if (std::optional<std::string> id = table.Get(kAppKey, "cookie"))
      fromFile.Write(Hive::LocalMachine, kAppKey, "cookie", *id);
    store = &fromFile;
  }

  LinkContext context;
  context.language = language;
  const TimeValue now = at ? *at : SystemClock().Now();
  for (const char* name : kLinkNames) {
    const std::optional<std::string> link =
        ExpandStoredLink(*store, name, city, world, now, context);
    if (link) std::printf("%s=%s\n", name, link->c_str());
  }
  return 0;
}

}  // namespace meridiana::cli
