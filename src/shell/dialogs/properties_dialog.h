#pragma once
// The Properties dialog (104) of one city: its country and telephone codes, local time (which
// runs on), sunrise and sunset both geometric in standard time and as clocks show them, position,
// the distance and bearing from home and this year's daylight-saving dates; the Mark toggle and
// the four link buttons. A modeless one is filled again for another city.

#include <QDialog>
#include <functional>
#include <string_view>

#include "foundation/clock.h"
#include "foundation/dib.h"
#include "map/map_geometry.h"
#include "world/locale_info.h"
#include "world/world_data.h"

class QLabel;
class QPushButton;
class QTimer;

namespace meridiana {

class PropertiesDialog : public QDialog {
  Q_OBJECT

 public:
  struct Context {
    const WorldData* world = nullptr;
    const Clock* clock = nullptr;
    const LocaleInfo* locale = nullptr;
    std::function<const Dib*()> zoneImage;  // null or no picture: every offset is 0
    std::function<void()> marksChanged;     // the Mark button changed the city's mark
    // A link button: "hotels", "weather", "books" or "sat" for the city.
    std::function<void(std::string_view link, const City& city)> openLink;
    // The texts of the string table in the interface's language; English without it.
    std::function<QString(int stringId)> text;
    // The distance and bearing from home to the city ("8,920 km 42° NE"), empty for home
    // itself; without it the line stays empty.
    std::function<QString(const City& city)> fromHome;
  };

  explicit PropertiesDialog(Context context, QWidget* parent = nullptr);

  // Shows the city: the title becomes its name and every field is computed for now, with the
  // standard offset read at the base-map point (the point the user right-clicked).
  void Fill(City& city, MapPoint basePoint);
  const City* city() const { return city_; }
  // The text of a field by its control id (1009 City, 1010 Country, ...).
  QString FieldText(int controlId) const;
  // Shows the local time of now again; a timer calls it every second while the dialog shows.
  void RefreshLocalTime();
  // Fills the fields again for the same city (the shown instant changed).
  void Refill() {
    if (city_ != nullptr) Fill(*city_, basePoint_);
  }

 private:
  void ToggleMark();

  Context context_;
  City* city_ = nullptr;
  MapPoint basePoint_{};
  QPushButton* mark_ = nullptr;
  QTimer* tick_ = nullptr;
};

}  // namespace meridiana
