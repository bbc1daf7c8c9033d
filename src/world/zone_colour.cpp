#include "world/zone_colour.h"

namespace meridiana {

// The image is prepared with exactly these colours; any smoothing would break the look-up.
const std::array<ZoneColour, 40> kZoneColours = {{
    {41, 25, 148, 0.0f},    {181, 181, 181, -12.0f}, {255, 0, 255, -11.0f},  {132, 132, 66, -10.0f},
    {181, 132, 140, -9.0f}, {0, 255, 255, -8.0f},    {255, 197, 255, -7.0f}, {197, 206, 156, -6.0f},
    {0, 0, 255, -5.0f},     {255, 0, 0, -4.0f},      {230, 165, 255, -3.0f}, {0, 197, 0, -2.0f},
    {181, 115, 16, -1.0f},  {16, 206, 255, 0.0f},    {132, 255, 49, 1.0f},   {181, 206, 49, 2.0f},
    {255, 255, 132, 3.0f},  {255, 132, 0, 4.0f},     {197, 115, 239, 5.0f},  {255, 123, 123, 6.0f},
    {0, 197, 197, 7.0f},    {247, 189, 90, 8.0f},    {0, 132, 132, 9.0f},    {230, 0, 132, 10.0f},
    {230, 165, 140, 11.0f}, {255, 255, 255, 13.0f},  {189, 148, 33, 12.75f}, {115, 173, 123, -9.5f},
    {156, 132, 173, -3.5f}, {206, 239, 239, 3.5f},   {25, 173, 165, 4.5f},   {214, 173, 156, 5.75f},
    {255, 197, 181, 5.5f},  {197, 197, 197, 6.5f},   {156, 239, 173, 9.5f},  {33, 33, 33, 10.5f},
    {132, 74, 156, 11.5f},
    // Offsets the original 37 colours lack. Without them New Zealand, Fiji and Kamchatka (+12)
    // and the Line Islands (+14) could only be painted as -12 and -10, a day behind, and Eucla
    // (+8:45) a quarter of an hour off. Appended, so every older image still reads the same.
    {66, 99, 198, 12.0f},   {165, 66, 66, 14.0f},    {148, 198, 99, 8.75f},
}};

float ZoneHoursOfColour(unsigned char red, unsigned char green, unsigned char blue) {
  for (const ZoneColour& c : kZoneColours) {
    if (c.red == red && c.green == green && c.blue == blue) return c.hours;
  }
  return 0.0f;
}

}  // namespace meridiana
