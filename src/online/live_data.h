#pragma once
// Whether the bundled service downloads live earthquakes and clouds: the user's value "live"
// under the application key, on unless set to 0, under the installation's local-machine value
// of the same name. An administrator's 0 turns live data off for everyone on the machine and
// the user cannot turn it back on; an administrator's 1 only sets the default.

#include <string>
#include <vector>

#include "foundation/key_value_store.h"

namespace meridiana {

inline constexpr char kLiveDataValue[] = "live";

struct LiveDataChoice {
  bool on = true;
  bool locked = false;  // the machine's value turned it off
};

// store may be null: on.
LiveDataChoice ReadLiveData(const KeyValueStore* store);
// The user's choice; false when the store refused.
bool StoreLiveData(KeyValueStore& store, bool on);

// Where the bundled service keeps what it downloads: $XDG_CACHE_HOME/meridiana/service, else
// $HOME/.cache/meridiana/service (either ignored when empty or relative); empty when neither.
std::string LiveDataFolder(const char* xdgCacheHome, const char* home);
// The same from the process environment, the folder made (mode 0700) when missing.
std::string PrepareLiveDataFolder();

// The arguments of the bundled service after its "--listen" pair: "--live --data FOLDER" with
// live data on and a folder to keep it in; none (the read-only sample) otherwise.
std::vector<std::string> BundledServiceArguments(bool live, const std::string& folder);

// Who made the live data, one line per source, for About and the manual's pointer to it.
const std::vector<std::string>& LiveDataAttributions();

}  // namespace meridiana
