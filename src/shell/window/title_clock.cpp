#include "shell/window/title_clock.h"

#include <optional>

#include "shell/app/app_identity.h"
#include "world/time_format.h"

namespace meridiana {

std::string TitleClockText(const Clock& clock, bool minimised) {
  const std::optional<std::string> time =
      FormatTimeTemplate(clock, clock.Now(), minimised ? "HH:MI" : "HH:MI:SS");
  if (!time) return std::string(kDisplayName);
  if (minimised) return *time;
  return std::string(kDisplayName) + " - " + *time;
}

std::string ShownTitleText(const Clock& host, TimeValue shown, TimeValue liveNow, bool minimised,
                           const WeekdayNames& weekdays) {
  std::string text = ShownInstantText(shown, liveNow, host, weekdays);
  if (minimised) return text;
  return std::string(kDisplayName) + " - " + text;
}

}  // namespace meridiana
