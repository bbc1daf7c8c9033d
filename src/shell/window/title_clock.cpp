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

}  // namespace meridiana
