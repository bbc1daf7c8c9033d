#pragma once
// The City Selector (dialog 103): countries on the left, the cities of the chosen country on the
// right. A double click on a city marks it or takes its mark away, and the map follows at once;
// OK marks the selected city too. Check boxes show the picked flags of cities and countries. The
// search field above the lists offers the cities that match what is typed; picking one selects
// its country and itself, Enter marks it.

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "world/world_data.h"

namespace meridiana {

class CityNameField;
class InterfaceLanguage;
class KeyValueStore;
class ListView;
class MenuIconList;

class CitySelectorDialog : public QDialog {
  Q_OBJECT

 public:
  struct Context {
    WorldData* world = nullptr;
    KeyValueStore* store = nullptr;  // the lists' column layout; may be null
    InterfaceLanguage* language = nullptr;
    const MenuIconList* icons = nullptr;  // the city icon (1) and the marked one (5)
    std::function<void()> marksChanged;   // a city's mark changed: repaint the map
  };

  explicit CitySelectorDialog(Context context, QWidget* parent = nullptr);

  ListView* countryList() const { return countries_; }
  ListView* cityList() const { return cities_; }
  CityNameField* search() const { return search_; }
  // The city of a city-list row (as the list numbers its rows).
  City& CityOfRow(int row) const;

  // After a language switch: the words the dialog makes itself. The lists ask for their rows'
  // names as they show them, so they follow the language by themselves.
  void Retranslate();

  // OK: marks the city of the selected row, if any, and closes.
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;  // typing goes to the search first

 private:
  void FillCountries();
  void ShowCitiesOf(int countryRow);
  void OnCityDoubleClicked(int row);
  void OnCountryDoubleClicked(int row);
  void ShowCity(const City* city);  // selects its country, then itself
  void MarkSearchedCity();

  Context context_;
  ListView* countries_ = nullptr;
  ListView* cities_ = nullptr;
  CityNameField* search_ = nullptr;
  std::vector<int> countryZones_;  // country row -> its first zone
  // City row -> index into the city list.
  std::shared_ptr<const std::vector<int>> cityIndexes_ = std::make_shared<std::vector<int>>();
};

}  // namespace meridiana
