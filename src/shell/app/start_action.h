#pragma once
// What a start asks for besides showing the window: the launcher's actions ("Wallpaper Mode",
// "City Selector" in the desktop entry) start the program with --action=NAME. The first copy
// does it itself once its window is open; a later copy hands it to the running one over the
// single-instance socket. Every other argument is ignored.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meridiana {

enum class StartAction { None, WallpaperMode, CitySelector };

// The action the arguments (without the program name) ask for: the first --action= with a
// known name. An unknown name or any other argument asks for nothing.
StartAction StartActionOfArguments(const std::vector<std::string>& arguments);

// The line a later copy sends the running one: "raise\n", or "action=NAME\n" for an action
// (which raises the windows too).
std::string_view StartActionRequest(StartAction action);

// The action of a line received over the socket; nothing when it is no request of ours.
std::optional<StartAction> StartActionOfRequest(std::string_view line);

// The menu command that performs the action; 0 for none.
int StartActionCommand(StartAction action);

}  // namespace meridiana
