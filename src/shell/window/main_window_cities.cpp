// The main window's cities: the City Selector, the Properties dialogs, the cities of the map's
// context menu, and the web links opened for them.
#include "map/base_images.h"
#include "shell/app/app_identity.h"
#include "shell/app/ids.h"
#include "shell/app/settings.h"
#include "shell/dialogs/city_selector.h"
#include "shell/dialogs/link_actions.h"
#include "shell/dialogs/list_view.h"
#include "shell/dialogs/properties_dialog.h"
#include "shell/window/main_window.h"
#include "shell/window/map_gestures.h"

namespace meridiana {

void MainWindow::AttachLinks() {
  LinkActions::Context links;
  links.store = context_.store;
  links.world = context_.world;
  links.clock = context_.clock;
  links.language = context_.language;
  links.notice = context_.notice;
  links.parent = this;
  links.zoom = [this] { return view_.zoom; };
  links.pointer = [this] { return gestures_->lastPointer(); };
  links.defaultCity = [this]() -> const City* { return gestures_->CityNearContextPoint(); };
  links.findDataFile = [this](std::string_view relative) {
    return context_.dataPaths->Find(relative);
  };
  links_ = std::make_unique<LinkActions>(std::move(links));
  openLink_ = [this](std::string_view name, const City* city) {
    if (name == "weather") {
      links_->OpenWeather(city);
    } else {
      links_->OpenLink(name, city);
    }
  };
}

CitySelectorDialog* MainWindow::citySelector() const { return citySelector_; }

PropertiesDialog* MainWindow::properties() const { return properties_; }

void MainWindow::OpenCitySelector() {
  if (citySelector_ != nullptr) {
    citySelector_->show();
    citySelector_->raise();
    citySelector_->activateWindow();
    return;
  }
  CitySelectorDialog::Context selector;
  selector.world = context_.world;
  selector.store = context_.store;
  selector.language = context_.language;
  selector.icons = context_.icons;
  selector.marksChanged = [this] { OnMarksChanged(); };
  citySelector_ = new CitySelectorDialog(std::move(selector), this);
  citySelector_->setAttribute(Qt::WA_DeleteOnClose);
  ShowDialog(&citySelectorHost_, citySelector_, ids::kCitySelectorDialog, std::string(kDisplayName),
             context_.store, false, context_.language);
}

void MainWindow::OpenProperties(City& city, bool modal) {
  const QPoint contextPoint = gestures_->contextPoint();
  const MapPoint base = ViewToBase(view_, {contextPoint.x(), contextPoint.y()});
  if (!modal && properties_ != nullptr) {
    properties_->Fill(city, base);
    properties_->show();
    properties_->raise();
    return;
  }
  PropertiesDialog::Context fields;
  fields.world = context_.world;
  fields.clock = context_.clock;
  fields.locale = context_.locale;
  fields.zoneImage = [this] { return images_->zones(); };
  fields.marksChanged = [this] { OnMarksChanged(); };
  fields.openLink = [this](std::string_view name, const City& linked) {
    if (openLink_) openLink_(name, &linked);
  };
  fields.text = [this](int id) { return LocalText(id); };
  auto* dialog = new PropertiesDialog(std::move(fields), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->Fill(city, base);
  if (!modal) properties_ = dialog;
  ShowDialog(modal ? nullptr : &propertiesHost_, dialog, ids::kPropertiesDialog,
             std::string(kDisplayName), context_.store, modal, context_.language);
}

void MainWindow::ClearCitySelection() {
  std::vector<std::size_t> marked;
  const std::vector<City>& cities = context_.world->cities;
  for (std::size_t i = 0; i < cities.size(); ++i)
    if (cities[i].marked) marked.push_back(i);
  ClearAllMarks(context_.world->cities);
  // A Clear with nothing to clear keeps the earlier one undoable.
  if (!marked.empty()) clearedMarks_ = std::move(marked);
  RefreshSelectorRows();
  SyncViewControls();
  RedrawMap();
}

void MainWindow::UndoClearCitySelection() {
  if (clearedMarks_.empty()) return;
  std::vector<City>& cities = context_.world->cities;
  for (std::size_t i : clearedMarks_)
    if (i < cities.size()) SetMarked(cities[i], true);
  clearedMarks_.clear();
  RefreshSelectorRows();
  SyncViewControls();
  OnMarksChanged();
}

void MainWindow::RefreshSelectorRows() {
  if (citySelector_ == nullptr) return;
  ListView* list = citySelector_->cityList();
  for (int row = 0; row < list->rowCount(); ++row) list->RedrawRow(row);
}

void MainWindow::OnMarksChanged() {
  // A city just marked shows at once, so the marked cities' layer comes on with it.
  if (Settings* settings = context_.settings; settings != nullptr && settings->marked == 0) {
    for (const City& city : context_.world->cities) {
      if (!city.marked) continue;
      settings->marked = 1;
      SyncViewControls();
      break;
    }
  }
  RedrawMap();
}

}  // namespace meridiana
