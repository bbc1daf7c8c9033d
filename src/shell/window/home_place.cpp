#include "shell/window/home_place.h"

#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/window/map_readout.h"
#include "world/host_zone.h"

namespace meridiana {

HomePlace::HomePlace(Settings* settings, WorldData* world, const LocaleInfo* locale,
                     std::function<QString(int)> text)
    : settings_(settings), world_(world), locale_(locale), text_(std::move(text)) {
  if (world_ != nullptr) hostCity_ = CityOfHostZone(*world_, HostZoneName());
}

const City* HomePlace::city() const {
  if (world_ == nullptr) return nullptr;
  const std::string& setting = settings_ != nullptr ? settings_->home : resolvedSetting_;
  if (!resolvedOnce_ || setting != resolvedSetting_) {
    resolvedSetting_ = setting;
    resolved_ = HomeCity(*world_, setting, hostCity_);
    resolvedOnce_ = true;
  }
  return resolved_;
}

CompassLetters HomePlace::Letters() const {
  CompassLetters letters;
  if (!text_) return letters;
  letters.north = ToUtf8(text_(kNorthText));
  letters.south = ToUtf8(text_(kSouthText));
  letters.east = ToUtf8(text_(kEastText));
  letters.west = ToUtf8(text_(kWestText));
  return letters;
}

QString HomePlace::TextTo(GeoPoint point) const {
  if (locale_ == nullptr) return {};
  return ToQString(FromHomeText(city(), point, *locale_, Letters()));
}

QString HomePlace::TextTo(const City& city) const {
  if (&city == this->city()) return {};
  return TextTo(PlaceOf(city));
}

void HomePlace::MakeHome(const City& city) {
  if (settings_ == nullptr || world_ == nullptr) return;
  settings_->home = HomeSettingText(*world_, city);
  settings_->homeStored = true;
}

}  // namespace meridiana
