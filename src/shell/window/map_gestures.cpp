#include "shell/window/map_gestures.h"

#include <QApplication>
#include <QCursor>

#include "map/base_images.h"
#include "map/compose.h"
#include "map/map_geometry.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/window/home_place.h"
#include "shell/window/map_area.h"
#include "shell/window/map_context_menu.h"
#include "shell/window/map_readout.h"
#include "shell/window/status_bar.h"

namespace meridiana {

namespace {

bool ModalDialogOpen() { return QApplication::activeModalWidget() != nullptr; }

}  // namespace

void MapGestures::ShowReadOut(QPoint mapAreaPoint) {
  if (ModalDialogOpen()) return;
  const bool cityNames = s_.settings != nullptr && s_.settings->track != 0;
  const PointerReadOut readOut = ReadPointer(
      *s_.view, *s_.world, s_.images->zones(), s_.images->composed(),
      {mapAreaPoint.x(), mapAreaPoint.y()}, cityNames, highlightedCity_, *s_.clock, &nearestMemo_);
  lastPointer_ = readOut.position;
  HemisphereLetters letters;
  if (s_.language != nullptr) {
    letters.north = ToUtf8(s_.language->Text(kNorthText));
    letters.south = ToUtf8(s_.language->Text(kSouthText));
    letters.east = ToUtf8(s_.language->Text(kEastText));
    letters.west = ToUtf8(s_.language->Text(kWestText));
  }
  const PointerStatusTexts texts = PointerStatus(readOut, *s_.locale, letters);
  s_.statusBar->SetPartText(kStatusLatitudePart, ToQString(texts.latitude));
  s_.statusBar->SetPartText(kStatusLongitudePart, ToQString(texts.longitude));
  s_.statusBar->SetPartText(kStatusLocalTimePart, ToQString(texts.localTime));
  if (s_.home != nullptr)
    s_.statusBar->SetPartText(
        kStatusFromHomePart,
        s_.home->TextTo(GeoPoint{readOut.position.latitude, readOut.position.longitude}));
  // With City Names on, the hover highlight under the pointer is redrawn here by the overlays.
}

void MapGestures::ClearReadOut() {
  if (ModalDialogOpen()) return;
  for (const int part :
       {kStatusLatitudePart, kStatusLongitudePart, kStatusLocalTimePart, kStatusFromHomePart})
    s_.statusBar->SetPartText(part, QString());
}

void MapGestures::RefreshReadOut() {
  // The pointer is read again from the system.
  const QPoint point = s_.area->mapFromGlobal(QCursor::pos());
  if (s_.area->rect().contains(point)) ShowReadOut(point);
}

void MapGestures::OpenContextMenu(QPoint mapAreaPoint) {
  if (s_.language == nullptr) return;
  contextPoint_ = mapAreaPoint;
  s_.language->PopupMenu(
      ids::kMapContextMenu, s_.area->mapToGlobal(mapAreaPoint),
      [this, mapAreaPoint](QMenu* menu) { PrepareContextMenu(menu, mapAreaPoint); },
      [this](int command) { s_.runCommand(command); });
}

void MapGestures::PrepareContextMenu(QMenu* menu, QPoint mapAreaPoint) {
  const Settings* settings = s_.settings;
  const ViewModes& modes = *s_.modes;
  const auto on = [settings](int Settings::*field) {
    return settings != nullptr && settings->*field != 0;
  };
  MapMenuChecks checks;
  checks.layers = {
      {ids::kCmdCitySelection, on(&Settings::marked)},
      {ids::kCmdDayMap, modes.day},
      {ids::kCmdNightMap, modes.night},
      {ids::kCmdClouds, modes.clouds},
      {ids::kCmdCityNames, on(&Settings::track)},
      {ids::kCmdAllCities, on(&Settings::cities)},
      {ids::kCmdTimeZones, modes.zones},
      {ids::kCmdGrid, on(&Settings::grid)},
  };
  checks.shadow = modes.shadow;
  checks.night = modes.night;
  FillMapContextMenu(menu, *s_.view, *s_.world, mapAreaPoint, checks);
}

void MapGestures::DoubleClick(QPoint mapAreaPoint) {
  const bool cityNames = s_.settings != nullptr && s_.settings->track != 0;
  const int city =
      cityNames
          ? s_.area->hover().city
          : FindNearestCity(*s_.view, s_.world->cities, {mapAreaPoint.x(), mapAreaPoint.y()}).index;
  if (city < 0 || city >= static_cast<int>(s_.world->cities.size())) return;
  ToggleMarked(s_.world->cities[static_cast<std::size_t>(city)]);
  s_.marksChanged();
}

City* MapGestures::MenuCity(int entry) const {
  const auto& menuCities = s_.view->menuCities;
  if (entry < 0 || entry >= static_cast<int>(menuCities.size())) return nullptr;
  const int index = menuCities[static_cast<std::size_t>(entry)];
  if (index < 0 || index >= static_cast<int>(s_.world->cities.size())) return nullptr;
  return &s_.world->cities[static_cast<std::size_t>(index)];
}

City* MapGestures::CityNearContextPoint() const {
  const int nearest =
      FindNearestCity(*s_.view, s_.world->cities, {contextPoint_.x(), contextPoint_.y()}).index;
  return nearest >= 0 ? &s_.world->cities[static_cast<std::size_t>(nearest)] : nullptr;
}

}  // namespace meridiana
