#include "shell/app/start_action.h"

#include "shell/app/ids.h"

namespace meridiana {

namespace {

constexpr std::string_view kActionOption = "--action=";

struct ActionName {
  StartAction action;
  std::string_view name;
  std::string_view request;
  int command;
};

constexpr ActionName kActions[] = {
    {StartAction::WallpaperMode, "wallpaper", "action=wallpaper\n", ids::kCmdWallpaperMode},
    {StartAction::CitySelector, "city-selector", "action=city-selector\n", ids::kCmdSelectCity},
};

constexpr std::string_view kRaise = "raise\n";

}  // namespace

StartAction StartActionOfArguments(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    const std::string_view text(argument);
    if (text.substr(0, kActionOption.size()) != kActionOption) continue;
    const std::string_view name = text.substr(kActionOption.size());
    for (const ActionName& entry : kActions)
      if (entry.name == name) return entry.action;
  }
  return StartAction::None;
}

std::string_view StartActionRequest(StartAction action) {
  for (const ActionName& entry : kActions)
    if (entry.action == action) return entry.request;
  return kRaise;
}

std::optional<StartAction> StartActionOfRequest(std::string_view line) {
  if (line == kRaise) return StartAction::None;
  for (const ActionName& entry : kActions)
    if (entry.request == line) return entry.action;
  return std::nullopt;
}

int StartActionCommand(StartAction action) {
  for (const ActionName& entry : kActions)
    if (entry.action == action) return entry.command;
  return 0;
}

}  // namespace meridiana
