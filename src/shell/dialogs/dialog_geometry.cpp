#include "shell/dialogs/dialog_geometry.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "foundation/key_value_store.h"

namespace meridiana {

namespace {

// Whole decimal text only: a value a user edited into something else is treated as missing.
std::optional<int> ReadNumber(const KeyValueStore& store, const std::string& key,
                              const char* name) {
  std::optional<std::string> text = store.Read(Hive::CurrentUser, key, name);
  if (!text || text->empty() || text->size() > 30) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(text->c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

std::string DialogKeyPath(std::string_view displayName, int dialogId) {
  std::string key = "Software\\QUILLARY\\";
  key += displayName;
  key += "\\DLGS\\";
  key += std::to_string(dialogId);
  return key;
}

std::optional<WindowRect> LoadDialogGeometry(const KeyValueStore& store,
                                             std::string_view displayName, int dialogId,
                                             int screenWidth, int screenHeight) {
  const std::string key = DialogKeyPath(displayName, dialogId);
  std::optional<int> left = ReadNumber(store, key, "left");
  std::optional<int> top = ReadNumber(store, key, "top");
  std::optional<int> width = ReadNumber(store, key, "width");
  std::optional<int> height = ReadNumber(store, key, "height");
  if (!left || !top || !width || !height) return std::nullopt;
  if (*left < 0 || *top < 0 || *width <= 0 || *height <= 0) return std::nullopt;
  WindowRect rect{*left, *top, *width, *height};
  rect.left = std::max(0, std::min(rect.left, screenWidth - 100));
  rect.top = std::max(0, std::min(rect.top, screenHeight - 100));
  return rect;
}

WindowRect FitLargeRect(WindowRect rect, const WindowRect& area) {
  const auto fit = [](int* start, int* length, int areaStart, int areaLength) {
    if (*length <= areaLength || areaLength <= 0) return;
    *length = areaLength;
    *start = areaStart;
  };
  fit(&rect.left, &rect.width, area.left, area.width);
  fit(&rect.top, &rect.height, area.top, area.height);
  return rect;
}

bool SaveDialogGeometry(KeyValueStore& store, std::string_view displayName, int dialogId,
                        const WindowRect& rect) {
  const std::string key = DialogKeyPath(displayName, dialogId);
  return store.WriteAll(Hive::CurrentUser, key,
                        {{"left", std::to_string(rect.left)},
                         {"top", std::to_string(rect.top)},
                         {"width", std::to_string(rect.width)},
                         {"height", std::to_string(rect.height)}});
}

}  // namespace meridiana
