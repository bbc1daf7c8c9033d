#pragma once
// The home city the window measures from: the one the `home` setting names, else the city of
// the computer's zone. The status bar's read-out and Properties show the distance and the initial
// bearing from it; the context menu's Make Home changes it.

#include <QString>
#include <functional>
#include <string>

#include "world/geodesic.h"

namespace meridiana {

class LocaleInfo;
struct Settings;
struct WorldData;

class HomePlace {
 public:
  // Borrowed from the window, which outlives the home place. text gives the interface's strings
  // (for the hemisphere letters); settings may be null (then the computer's city is home).
  HomePlace(Settings* settings, WorldData* world, const LocaleInfo* locale,
            std::function<QString(int stringId)> text);

  const City* city() const;
  // "8,920 km 42° NE" from home to the point; empty without a home.
  QString TextTo(GeoPoint point) const;
  // The same to a city; empty for home itself.
  QString TextTo(const City& city) const;
  // The city becomes home and is kept in the settings.
  void MakeHome(const City& city);

 private:
  CompassLetters Letters() const;

  Settings* settings_;
  WorldData* world_;
  const LocaleInfo* locale_;
  std::function<QString(int)> text_;
  const City* hostCity_ = nullptr;  // the city of the computer's zone, found once
  // The setting last resolved and its city: the read-out asks on every pointer move.
  mutable std::string resolvedSetting_;
  mutable const City* resolved_ = nullptr;
  mutable bool resolvedOnce_ = false;
};

}  // namespace meridiana
