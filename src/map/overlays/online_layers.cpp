// The layers that show what the online service sent: the week's earthquakes with their legend,
// and the date of the cloud frame on display beside the scale.

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

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
    // Away from Greenwich the map's right edge cuts through the Earth's surface: a circle that
    // crosses it goes on at the left edge, each part clipped to the map.
    const bool wraps = MapCenterShift(scene.view->center, kBaseMapWidth) != 0;
    const int mapLeft = ShownToView(*scene.view, {0, 0}).x + a.left;
    const int mapRight = ShownToView(*scene.view, {kBaseMapWidth, 0}).x + a.left;
    for (const QuakeMark& quake : *scene.quakes) {
      const MapPoint p = PlaceWindowPoint(scene, quake.longitude, quake.latitude);
      if (p.x < a.left + 2 || p.y < a.top + 2) continue;
      const Rgb fill = kQuakeColours[QuakeClass(quake.magnitude)];
      if (!wraps || p.x + 8 <= mapRight) {
        canvas.Ellipse(p.x - 1, p.y - 1, p.x + 8, p.y + 8, kQuakeOutline, fill);
        continue;
      }
      const int left = std::max(a.left, mapLeft);
      canvas.ClipTo({left, a.top, mapRight - left, a.height});
      canvas.Ellipse(p.x - 1, p.y - 1, p.x + 8, p.y + 8, kQuakeOutline, fill);
      const int x = p.x - (mapRight - mapLeft);
      canvas.Ellipse(x - 1, p.y - 1, x + 8, p.y + 8, kQuakeOutline, fill);
      canvas.ClearClip();
    }
  }
  // The legend: one swatch per class, read as the bands 1-2 up to 8-9.
  int x = a.left + a.width - 250;
  const int y = a.top + a.height - 50;
  for (int k = 0; k < 8; ++k) {
    canvas.FillRect(x, y, x + 30, y + 6, kQuakeColours[k]);
    OverlayText(canvas, scene, x, y + 10, std::to_string(k + 1), kLegendText);
    x += 30;
  }
  OverlayText(canvas, scene, x - 10, y + 10, "9", kLegendText);
  if (!scene.quakeSource.empty()) {
    // Just above the swatches, kept inside the area when the font is wider than the legend.
    const TextSize extent = canvas.MeasureText(scene.quakeSource);
    const int left = std::min(a.left + a.width - 250, a.left + a.width - extent.width - 4);
    OverlayText(canvas, scene, left, y - extent.height - 2, scene.quakeSource, kLegendText);
  }
}

std::string CloudDateText(std::string_view stamp, const OnlineLayerTexts& texts) {
  if (stamp.size() < 10 || !AllDigits(stamp.substr(0, 10))) return {};
  const int hour = std::atoi(std::string(stamp.substr(8, 2)).c_str());
  // A 12-hour clock has no hour 0: midnight is 12am.
  const int shown = hour % 12 == 0 ? 12 : hour % 12;
  std::string text = texts.imageDate;
  text += " ";
  text += stamp.substr(6, 2);
  text += "/";
  text += stamp.substr(4, 2);
  text += " ";
  text += std::to_string(shown);
  text += hour > 11 ? texts.pm : texts.am;
  return text;
}

std::string CloudDateText(std::string_view stamp, const OnlineLayerTexts& texts,
                          const LocaleInfo& locale) {
  if (stamp.size() < 10 || !AllDigits(stamp.substr(0, 10))) return {};
  const auto number = [&](std::size_t at, std::size_t n) {
    return std::atoi(std::string(stamp.substr(at, n)).c_str());
  };
  const std::string date = locale.ShortDate(number(0, 4), number(4, 2), number(6, 2));
  const std::string hour = locale.ShortHour(number(8, 2));
  if (date.empty() || hour.empty()) return CloudDateText(stamp, texts);
  std::string text = texts.imageDate;
  text += " ";
  text += date;
  text += " ";
  text += hour;
  return text;
}

namespace {

struct CloudDateLayout {
  std::string text;
  int x = 0;
  int sourceX = 0;
  int y = 0;
};

CloudDateLayout LayOutCloudDate(Canvas& canvas, const OverlayScene& scene) {
  CloudDateLayout layout;
  layout.text = scene.fixedLabels || scene.locale == nullptr
                    ? CloudDateText(scene.cloudTime, scene.texts)
                    : CloudDateText(scene.cloudTime, scene.texts, *scene.locale);
  if (layout.text.empty()) return layout;
  const MapRect& a = scene.area;
  // Beside the scale on its line; a font wider than the layout was made for moves the date left
  // rather than over the scale.
  const int scaleLeft = a.left + a.width - 100;
  const int width = canvas.MeasureText(layout.text).width;
  layout.x = std::min(a.left + a.width - 245, scaleLeft - width - 8);
  layout.y = a.top + a.height - 20;
  // On the date's line, before it: the date and the scale stay where they are.
  if (!scene.cloudSource.empty())
    layout.sourceX = layout.x - canvas.MeasureText(scene.cloudSource).width - 8;
  return layout;
}

}  // namespace

std::vector<MapRect> CloudDateRects(Canvas& canvas, const OverlayScene& scene) {
  const CloudDateLayout layout = LayOutCloudDate(canvas, scene);
  if (layout.text.empty()) return {};
  const TextSize date = canvas.MeasureText(layout.text);
  std::vector<MapRect> rects{{layout.x, layout.y, date.width, date.height}};
  if (!scene.cloudSource.empty()) {
    const TextSize source = canvas.MeasureText(scene.cloudSource);
    rects.push_back({layout.sourceX, layout.y, source.width, source.height});
  }
  return rects;
}

void DrawCloudDate(Canvas& canvas, const OverlayScene& scene) {
  const CloudDateLayout layout = LayOutCloudDate(canvas, scene);
  if (layout.text.empty()) return;
  OverlayText(canvas, scene, layout.x, layout.y, layout.text, kCloudDateText);
  if (!scene.cloudSource.empty())
    OverlayText(canvas, scene, layout.sourceX, layout.y, scene.cloudSource, kCloudDateText);
}

}  // namespace meridiana
