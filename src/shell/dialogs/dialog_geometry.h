#pragma once
// A dialog's saved position and size: "left", "top", "width", "height" as decimal text under
// "Software\QUILLARY\<display name>\DLGS\<dialog id>" in the current-user hive.

#include <optional>
#include <string>
#include <string_view>

namespace meridiana {

class KeyValueStore;

struct WindowRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const WindowRect&) const = default;
};

std::string DialogKeyPath(std::string_view displayName, int dialogId);

// The rectangle to open a resizable dialog with, or nothing. Values are read as decimal numbers;
// a missing or negative one leaves the dialog where the system puts it. The position is pulled
// back to at most 100 pixels from the right and bottom screen edges. Nothing unless width and
// height are above 0.
std::optional<WindowRect> LoadDialogGeometry(const KeyValueStore& store,
                                             std::string_view displayName, int dialogId,
                                             int screenWidth, int screenHeight);

// A rectangle wider or taller than the area (a screen's work area) shrunk to it along that
// side and moved inside it; one that fits is left alone.
WindowRect FitLargeRect(WindowRect rect, const WindowRect& area);

// Stores the rectangle; false when any value could not be written.
bool SaveDialogGeometry(KeyValueStore& store, std::string_view displayName, int dialogId,
                        const WindowRect& rect);

}  // namespace meridiana
