#pragma once
// Pieces several meridiana-cli commands share.

#include <optional>
#include <string>
#include <string_view>

#include "foundation/dib.h"
#include "foundation/user_notice.h"
#include "world/world_data.h"

namespace meridiana::cli {

// Message boxes become one line on standard error; status texts are dropped.
class StderrNotice : public UserNotice {
 public:
  void ShowMessage(std::string_view caption, std::string_view text) override;
  void ShowStatus(int, std::string_view) override {}
};

// A socket error as this system names it, with its number: "Connection refused (111)".
std::string SocketErrorText(long number);

// The folder of this program: bin/ when installed, the staging folder of the build tree.
std::string ProgramFolder();

// Where the read-only data is when no --data is given: $MERIDIANA_DATA, else the data folder that
// belongs to this program (../share/meridiana when installed, the staging folder in the build).
std::string DefaultDataFolder();

// The tables (cities, zones, rules, area codes) and the time-zone picture of the data folder.
// Without the cities there is nothing to show: false, told in one line. The other tables only
// thin the output out: their notices go to standard error and the command goes on.
bool LoadCliTables(const std::string& folder, const char* command, WorldData* world,
                   DibPtr* tzImage);

// A whole-number option's value from min to max; else nothing, after one line on standard error
// naming the option and what it wants ("meridiana-cli fetch: --proxy-port wants a whole number
// from 1 to 65535, not 'abc'").
std::optional<long> WholeNumberOption(const char* command, std::string_view option,
                                      const std::string& value, long min, long max);

// A typed city: its exact name, else the search's clear best match (by its name in `language`
// too, when the world's names are in it); else null, after one line saying that no city matches
// or listing up to five candidates.
const City* ResolveCityOption(const WorldData& world, const char* command,
                              const std::string& name, const std::string& language = {});

// --lang CODE: the place names of an interface language put into the world; "en" (or "")
// keeps the English ones. False, after a message, for a code that names no language there.
bool LoadCliLanguage(WorldData& world, const std::string& folder, const char* command,
                     const std::string& code);
// Whether the world's names are in a language other than English.
bool Localized(const WorldData& world);

// "Name (State, Country)" of a city, for candidates and the search's readers.
std::string CityLabel(const WorldData& world, const City& city);

}  // namespace meridiana::cli
