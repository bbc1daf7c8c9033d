#pragma once
// The window title carries the host's wall clock: the display name and the time to the second
// while the window is open, the time to the minute alone while it is minimised (the taskbar shows
// little text).

#include <string>

#include "foundation/clock.h"
#include "world/shown_instant.h"

namespace meridiana {

// "Quillary Meridiana - HH:MM:SS", or "HH:MM" when minimised, from the clock's present instant in
// the host's time zone. With no instant to show (the clock reads 0) the title is the display
// name alone.
std::string TitleClockText(const Clock& clock, bool minimised);

// The title while the time bar shows another instant than the present:
// "Quillary Meridiana - Fri 14:00 (+2 d)"; only the instant while minimised.
std::string ShownTitleText(const Clock& host, TimeValue shown, TimeValue liveNow, bool minimised,
                           const WeekdayNames& weekdays);

}  // namespace meridiana
