#include "map/map_projection.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <thread>

namespace meridiana {
namespace {

constexpr double kRadian = std::numbers::pi / 180.0;

}  // namespace

std::optional<ProjectionKind> ParseProjectionKind(std::string_view text) {
  if (text == "rectangular") return ProjectionKind::kRectangular;
  if (text == "orthographic") return ProjectionKind::kOrthographic;
  if (text == "azimuthal") return ProjectionKind::kAzimuthal;
  return std::nullopt;
}

const char* ProjectionKindName(ProjectionKind kind) {
  switch (kind) {
    case ProjectionKind::kRectangular:
      return "rectangular";
    case ProjectionKind::kOrthographic:
      return "orthographic";
    case ProjectionKind::kAzimuthal:
      return "azimuthal";
  }
  return "rectangular";
}

bool ParseCenterLatitude(const char* text, double* out) {
  if (text == nullptr) return false;
  const std::string_view s(text);
  double v = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || error != std::errc() || end != s.data() + s.size() || !std::isfinite(v) ||
      v < -90.0 || v > 90.0)
    return false;
  if (out != nullptr) *out = v;
  return true;
}

MapProjection::MapProjection(ProjectionKind kind, double centerLatitude, double centerLongitude,
                             int width, int height)
    : kind_(kind),
      width_(width),
      height_(height),
      sinLat0_(std::sin(centerLatitude * kRadian)),
      cosLat0_(std::cos(centerLatitude * kRadian)),
      lon0_(centerLongitude),
      middleX_(width / 2.0),
      middleY_(height / 2.0),
      radius_(std::min(width, height) / 2.0) {}

std::optional<LatLon> MapProjection::Inverse(DiscPoint point) const {
  if (!(radius_ > 0)) return std::nullopt;
  const double u = (point.x - middleX_) / radius_;  // east
  const double v = (middleY_ - point.y) / radius_;  // north
  const double rho = std::sqrt(u * u + v * v);
  if (!(rho <= 1.0)) return std::nullopt;
  if (rho == 0) return LatLon{std::asin(sinLat0_) / kRadian, WrapLongitude(lon0_)};
  // c: the arc from the centre to the place; on the orthographic view rho is its sine.
  double sinC = rho;
  double cosC = std::sqrt(1 - rho * rho);
  if (kind_ == ProjectionKind::kAzimuthal) {
    sinC = std::sin(rho * std::numbers::pi);
    cosC = std::cos(rho * std::numbers::pi);
  }
  const double sinLat = std::clamp(cosC * sinLat0_ + v * sinC * cosLat0_ / rho, -1.0, 1.0);
  const double lon =
      lon0_ + std::atan2(u * sinC, rho * cosLat0_ * cosC - v * sinLat0_ * sinC) / kRadian;
  return LatLon{std::asin(sinLat) / kRadian, WrapLongitude(lon)};
}

std::optional<DiscPoint> MapProjection::Forward(double latitude, double longitude) const {
  const double lat = latitude * kRadian;
  const double dLon = (longitude - lon0_) * kRadian;
  const double cosLat = std::cos(lat);
  const double east = cosLat * std::sin(dLon);
  const double north = cosLat0_ * std::sin(lat) - sinLat0_ * cosLat * std::cos(dLon);
  const double cosC = sinLat0_ * std::sin(lat) + cosLat0_ * cosLat * std::cos(dLon);
  if (kind_ == ProjectionKind::kOrthographic) {
    if (cosC < 0) return std::nullopt;
    return DiscPoint{middleX_ + east * radius_, middleY_ - north * radius_};
  }
  // Out by the arc, in the direction of (east, north): near the antipode both are tiny and only
  // their direction holds, so the distance comes from the arc alone.
  const double rho = std::acos(std::clamp(cosC, -1.0, 1.0)) / std::numbers::pi;
  const double length = std::hypot(east, north);
  if (length < 1e-15) {
    if (cosC > 0) return DiscPoint{middleX_, middleY_};
    return DiscPoint{middleX_, middleY_ + radius_};  // the antipode: every rim point
  }
  return DiscPoint{middleX_ + east / length * rho * radius_,
                   middleY_ - north / length * rho * radius_};
}

double MapProjection::PixelsPerDegree() const {
  const double radiiPerDegree =
      kind_ == ProjectionKind::kAzimuthal ? 1.0 / 180.0 : kRadian;  // at the middle
  return radius_ * radiiPerDegree;
}

namespace {

// Rows [top, bottom) of the disc picture.
void ProjectRows(const Dib* map, const MapProjection& projection, Dib* out, int top, int bottom) {
  const int mapWidth = DibWidth(map);
  const int mapHeight = DibHeight(map);
  const int width = DibWidth(out);
  const double columnsPerDegree = mapWidth / 360.0;
  const double rowsPerDegree = mapHeight / 180.0;
  for (int y = top; y < bottom; ++y) {
    std::uint8_t* o = out->rows[static_cast<std::size_t>(y)];
    std::memset(o, 0, 3 * static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
      const std::optional<LatLon> place = projection.Inverse({x + 0.5, y + 0.5});
      if (!place) continue;
      const double fx = (place->longitude + 180.0) * columnsPerDegree - 0.5;
      const double fy = (90.0 - place->latitude) * rowsPerDegree - 0.5;
      const double wholeX = std::floor(fx);
      const double wholeY = std::floor(fy);
      const int wx = static_cast<int>(std::lround((fx - wholeX) * 256));
      const int wy = static_cast<int>(std::lround((fy - wholeY) * 256));
      int x0 = static_cast<int>(wholeX) % mapWidth;
      if (x0 < 0) x0 += mapWidth;
      const int x1 = x0 + 1 == mapWidth ? 0 : x0 + 1;
      const int y0 = std::clamp(static_cast<int>(wholeY), 0, mapHeight - 1);
      const int y1 = std::clamp(static_cast<int>(wholeY) + 1, 0, mapHeight - 1);
      const std::uint8_t* upper = map->rows[static_cast<std::size_t>(y0)];
      const std::uint8_t* lower = map->rows[static_cast<std::size_t>(y1)];
      for (int c = 0; c < 3; ++c) {
        const int top2 = upper[3 * x0 + c] * (256 - wx) + upper[3 * x1 + c] * wx;
        const int bottom2 = lower[3 * x0 + c] * (256 - wx) + lower[3 * x1 + c] * wx;
        o[3 * x + c] =
            static_cast<std::uint8_t>((top2 * (256 - wy) + bottom2 * wy + (1 << 15)) >> 16);
      }
    }
  }
}

}  // namespace

DibPtr ProjectMap(const Dib* map, const MapProjection& projection) {
  if (!DibIsValid(map) || DibBitsPerPixel(map) != 24 || DibWidth(map) < 1 || DibHeight(map) < 1 ||
      static_cast<std::size_t>(DibHeight(map)) != map->rows.size() || projection.width() < 1 ||
      projection.height() < 1)
    return nullptr;
  DibPtr out = DibCreate(projection.width(), projection.height(), 24, 256);
  if (!out) return nullptr;
  const int height = projection.height();
  constexpr long kPixelsForTwoThreads = 256 * 256;
  if (static_cast<long>(projection.width()) * height >= kPixelsForTwoThreads &&
      std::thread::hardware_concurrency() > 1) {
    const int half = height / 2;
    std::thread lower([&] { ProjectRows(map, projection, out.get(), half, height); });
    ProjectRows(map, projection, out.get(), 0, half);
    lower.join();
  } else {
    ProjectRows(map, projection, out.get(), 0, height);
  }
  return out;
}

}  // namespace meridiana
