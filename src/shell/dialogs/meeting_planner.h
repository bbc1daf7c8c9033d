#pragma once
// The meeting planner: a row per city, a column per hour of a chosen day of the computer's
// calendar, each cell the city's wall clock; working hours light, night dark, the hours when
// every city works outlined. Clicking a column shows its instant on the map.

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/clock.h"
#include "foundation/zone_file.h"
#include "world/meeting_plan.h"
#include "world/world_data.h"

class QDateEdit;
class QLabel;
class QListWidget;
class QSpinBox;
class QTableWidget;

namespace meridiana {

class CityNameField;

class MeetingPlannerDialog : public QDialog {
  Q_OBJECT

 public:
  struct Context {
    const WorldData* world = nullptr;
    const Clock* clock = nullptr;  // the host calendar and the day shown first
    // A city's offset from UTC at an instant, by the program's one clock of cities.
    std::function<int(const City& city, TimeValue t)> cityOffset;
    std::function<QString(int stringId)> text;
    std::function<void(TimeValue t)> showInstant;  // a column was clicked
    // The kept choice: city names ("|" between them, empty for the marked cities) and hours.
    std::string* keptCities = nullptr;
    std::string* keptHours = nullptr;
  };

  explicit MeetingPlannerDialog(Context context, QWidget* parent = nullptr);

  // The plan for the current cities, day and hours, and its table, rebuilt.
  void Rebuild();
  // After a language switch: the rows' city names and the words around them.
  void RenamePlaces();
  const std::vector<PlanHour>& plan() const { return plan_; }
  const std::vector<const City*>& cities() const { return cities_; }
  QTableWidget* table() const { return table_; }
  QLabel* summary() const { return summary_; }
  // Moves a row up (-1) or down (+1) and keeps the new order.
  void MoveRow(int row, int by);
  bool AddCity(const City* city);  // false when there is none or the plan is full
  CityNameField* cityName() const { return cityName_; }

 private:
  void Keep();

  Context context_;
  std::vector<const City*> cities_;
  std::vector<PlanHour> plan_;
  QDateEdit* date_ = nullptr;
  QSpinBox* from_ = nullptr;
  QSpinBox* to_ = nullptr;
  CityNameField* cityName_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* summary_ = nullptr;
  std::vector<std::pair<QWidget*, int>> words_;  // worded widgets and their string ids
};

}  // namespace meridiana
