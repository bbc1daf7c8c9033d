// The layers that show what the online service sent: the week's earthquakes with their legend,
// and the date of the cloud frame on display beside the scale.

#include <algorithm>
#include <cstdlib>
#include <string>

#include "map/overlays/overlays.h"

namespace meridiana {
namespace {

constexpr Rgb kQuakeColours[8] = {{0, 0, 255}, {200, 0, 200}, {0, 180, 0},   {0, 255, 0},
                                  {255, 0, 0}, {255, 150, 0}, {255, 255, 0}, {255, 255, 255}};
constexpr Rgb kQuakeOutline{60, 60, 60};
constexpr Rgb kLegendText{0, 0, 255};
constexpr Rgb kCloudDateText{0, 0, 250};

bool AllDigits(std::string_view text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return !text.empty();
}

}  // namespace

int QuakeClass(float magnitude) {
  int k = 0;
  for (int bound = 2; bound <= 8; ++bound)
    if (magnitude > static_cast<float>(bound)) k = bound - 1;
  return k;
}

void DrawEarthquakes(Canvas& canvas, const OverlayScene& scene) {
  const MapRect& a = scene.area;
  if (scene.quakes != nullptr) {
    for (const QuakeMark& quake : *scene.quakes) {
      const MapPoint p =
          BaseToWindow(*scene.view, BaseMapPixel(quake.longitude, quake.latitude), a);
      if (p.x < a.left + 2 || p.y < a.top + 2) continue;
      canvas.Ellipse(p.x - 1, p.y - 1, p.x + 8, p.y + 8, kQuakeOutline,
                     kQuakeColours[QuakeClass(quake.magnitude)]);
    }
  }
  // The legend: one swatch per class, read as the bands 1-2 up to 8-9.
  int x = a.left + a.width - 250;
  const int y = a.top + a.height - 50;
  for (int k = 0; k < 8; ++k) {
    canvas.FillRect(x, y, x + 30, y + 6, kQuakeColours[k]);
    canvas.Text(x, y + 10, std::to_string(k + 1), kLegendText, std::nullopt);
    x += 30;
  }
  canvas.Text(x - 10, y + 10, "9", kLegendText, std::nullopt);
  if (!scene.quakeSource.empty()) {
    // Just above the swatches, kept inside the area when the font is wider than the legend.
    const TextSize extent = canvas.MeasureText(scene.quakeSource);
    const int left = std::min(a.left + a.width - 250, a.left + a.width - extent.width - 4);
    canvas.Text(left, y - extent.height - 2, scene.quakeSource, kLegendText, std::nullopt);
  }
}

std::string CloudDateText(std::string_view stamp, const OnlineLayerTexts& texts) {
  if (stamp.size() < 10 || !AllDigits(stamp.substr(0, 10))) return {};
  const int hour = std::atoi(std::string(stamp.substr(8, 2)).c_str());
  return texts.imageDate + " " + std::string(stamp.substr(6, 2)) + "/" +
         std::string(stamp.substr(4, 2)) + " " + std::to_string(hour > 12 ? hour - 12 : hour) +
         (hour > 11 ? texts.pm : texts.am);
}

void DrawCloudDate(Canvas& canvas, const OverlayScene& scene) {
  const std::string text = CloudDateText(scene.cloudTime, scene.texts);
  if (text.empty()) return;
  const MapRect& a = scene.area;
  // Beside the scale on its line; a font wider than the layout was made for moves the date left
  // rather than over the scale.
  const int scaleLeft = a.left + a.width - 100;
  const int width = canvas.MeasureText(text).width;
  const int x = std::min(a.left + a.width - 245, scaleLeft - width - 8);
  canvas.Text(x, a.top + a.height - 20, text, kCloudDateText, std::nullopt);
  if (!scene.cloudSource.empty()) {
    // On the date's line, before it: the date and the scale stay where they are.
    const int sourceWidth = canvas.MeasureText(scene.cloudSource).width;
    canvas.Text(x - sourceWidth - 8, a.top + a.height - 20, scene.cloudSource, kCloudDateText,
                std::nullopt);
  }
}

}  // namespace meridiana
