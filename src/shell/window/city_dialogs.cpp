#include "shell/window/city_dialogs.h"

#include "map/base_images.h"
#include "map/map_view.h"
#include "shell/app/app_identity.h"
#include "shell/app/data_paths.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/settings.h"
#include "shell/dialogs/city_selector.h"
#include "shell/dialogs/dialog_host.h"
#include "shell/dialogs/link_actions.h"
#include "shell/dialogs/list_view.h"
#include "shell/dialogs/properties_dialog.h"
#include "shell/window/command_table.h"
#include "shell/window/home_place.h"
#include "shell/window/map_context_menu.h"
#include "shell/window/map_gestures.h"
#include "world/world_data.h"

namespace meridiana {

CityDialogs::CityDialogs(FeatureHost host, const MapView& view, MapImages& images,
                         const std::unique_ptr<MapGestures>& gestures, HomePlace& home)
    : host_(std::move(host)), view_(view), images_(images), gestures_(gestures), home_(home) {
  // The web links, opened through the program's link actions unless SetLinkOpener replaced them.
  const MainWindowContext& context = *host_.context;
  LinkActions::Context links;
  links.store = context.store;
  links.world = context.world;
  links.clock = context.clock;
  links.language = context.language;
  links.notice = context.notice;
  links.parent = host_.window;
  links.zoom = [this] { return view_.zoom; };
  links.pointer = [this] { return gestures_->lastPointer(); };
  links.defaultCity = [this]() -> const City* { return gestures_->CityNearContextPoint(); };
  links.findDataFile = [this](std::string_view relative) {
    return host_.context->dataPaths->Find(relative);
  };
  links_ = std::make_unique<LinkActions>(std::move(links));
  openLink_ = [this](std::string_view name, const City* city) {
    if (name == "weather") {
      links_->OpenWeather(city);
    } else {
      links_->OpenLink(name, city);
    }
  };

  // The open dialogs name their places anew once the language's names are loaded.
  language_ = context.language;
  if (language_ != nullptr)
    languageListener_ = language_->AddListener([this] {
      if (citySelector_ != nullptr) citySelector_->Retranslate();
      if (properties_ != nullptr) properties_->Refill();
    });
}

CityDialogs::~CityDialogs() {
  if (language_ != nullptr) language_->RemoveListener(languageListener_);
}

CitySelectorDialog* CityDialogs::citySelector() const { return citySelector_; }

PropertiesDialog* CityDialogs::properties() const { return properties_; }

void CityDialogs::AddCommands(CommandTable& table) {
  const auto link = [this](std::string_view name, const City* city) {
    if (openLink_) openLink_(name, city);
  };
  table.Add({ids::kCmdSelectCity}, [this](int) { OpenCitySelector(); });
  table.Add({ids::kCmdProperties}, [this](int) {
    if (City* city = gestures_->CityNearContextPoint()) OpenProperties(*city, false);
  });
  table.Add({ids::kCmdClearCitySelection}, [this](int) { ClearCitySelection(); });
  table.Add({ids::kCmdUndoClearCitySelection}, [this](int) { UndoClearCitySelection(); });
  table.Add({ids::kCmdSatelliteImage}, [link](int) { link("sat", nullptr); });
  table.Add({ids::kCmdFaq}, [this, link](int) {
    const WorldData& world = *host_.context->world;
    const int hover = view_.hoverCity;
    const bool known = hover >= 0 && hover < static_cast<int>(world.cities.size());
    link("faq", known ? &world.cities[static_cast<std::size_t>(hover)] : nullptr);
  });
  table.Add({kCityUnderClickCommand}, [this](int) {
    if (City* city = gestures_->MenuCity(0)) OpenProperties(*city, true);
  });
  table.AddRange(kFirstCityPropertiesCommand, kFirstCityWeatherCommand - 1, [this](int command) {
    if (City* city = gestures_->MenuCity(command - kFirstCityPropertiesCommand))
      OpenProperties(*city, true);
  });
  table.AddRange(kFirstCityWeatherCommand, kFirstCityWeatherCommand + kCityCommandSpan - 1,
                 [this, link](int command) {
                   if (City* city = gestures_->MenuCity(command - kFirstCityWeatherCommand))
                     link("weather", city);
                 });
  table.AddRange(kFirstCityHotelsCommand, kFirstCityHotelsCommand + kCityCommandSpan - 1,
                 [this, link](int command) {
                   if (City* city = gestures_->MenuCity(command - kFirstCityHotelsCommand))
                     link("hotels", city);
                 });
  table.AddRange(kFirstCityHomeCommand, kFirstCityHomeCommand + kCityCommandSpan - 1,
                 [this](int command) {
                   const City* city = gestures_->MenuCity(command - kFirstCityHomeCommand);
                   if (city == nullptr) return;
                   home_.MakeHome(*city);
                   // What measures from home follows at once.
                   gestures_->RefreshReadOut();
                   if (properties_ != nullptr) properties_->Refill();
                 });
}

void CityDialogs::OpenCitySelector() {
  if (citySelector_ != nullptr) {
    citySelector_->show();
    citySelector_->raise();
    citySelector_->activateWindow();
    return;
  }
  const MainWindowContext& context = *host_.context;
  CitySelectorDialog::Context selector;
  selector.world = context.world;
  selector.store = context.store;
  selector.language = context.language;
  selector.icons = context.icons;
  selector.marksChanged = [this] { OnMarksChanged(); };
  citySelector_ = new CitySelectorDialog(std::move(selector), host_.window);
  citySelector_->setAttribute(Qt::WA_DeleteOnClose);
  ShowDialog(&citySelectorHost_, citySelector_, ids::kCitySelectorDialog, std::string(kDisplayName),
             context.store, false, context.language);
}

void CityDialogs::OpenProperties(City& city, bool modal) {
  const MainWindowContext& context = *host_.context;
  const QPoint contextPoint = gestures_->contextPoint();
  const MapPoint base = ViewToBase(view_, {contextPoint.x(), contextPoint.y()});
  if (!modal && properties_ != nullptr) {
    properties_->Fill(city, base);
    properties_->show();
    properties_->raise();
    return;
  }
  PropertiesDialog::Context fields;
  fields.world = context.world;
  fields.clock = context.clock;
  fields.locale = context.locale;
  fields.zoneImage = [this] { return images_.zones(); };
  fields.marksChanged = [this] { OnMarksChanged(); };
  fields.openLink = [this](std::string_view name, const City& linked) {
    if (openLink_) openLink_(name, &linked);
  };
  fields.text = host_.text;
  fields.fromHome = [this](const City& shown) { return home_.TextTo(shown); };
  auto* dialog = new PropertiesDialog(std::move(fields), host_.window);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->Fill(city, base);
  if (!modal) properties_ = dialog;
  ShowDialog(modal ? nullptr : &propertiesHost_, dialog, ids::kPropertiesDialog,
             std::string(kDisplayName), context.store, modal, context.language);
}

void CityDialogs::ClearCitySelection() {
  WorldData& world = *host_.context->world;
  std::vector<std::size_t> marked;
  const std::vector<City>& cities = world.cities;
  for (std::size_t i = 0; i < cities.size(); ++i)
    if (cities[i].marked) marked.push_back(i);
  ClearAllMarks(world.cities);
  // A Clear with nothing to clear keeps the earlier one undoable.
  if (!marked.empty()) clearedMarks_ = std::move(marked);
  RefreshSelectorRows();
  host_.syncControls();
  host_.redrawMap();
}

void CityDialogs::UndoClearCitySelection() {
  if (clearedMarks_.empty()) return;
  std::vector<City>& cities = host_.context->world->cities;
  for (std::size_t i : clearedMarks_)
    if (i < cities.size()) SetMarked(cities[i], true);
  clearedMarks_.clear();
  RefreshSelectorRows();
  host_.syncControls();
  OnMarksChanged();
}

void CityDialogs::RefreshSelectorRows() {
  if (citySelector_ == nullptr) return;
  ListView* list = citySelector_->cityList();
  for (int row = 0; row < list->rowCount(); ++row) list->RedrawRow(row);
}

void CityDialogs::OnMarksChanged() {
  // A city just marked shows at once, so the marked cities' layer comes on with it.
  if (Settings* settings = host_.context->settings; settings != nullptr && settings->marked == 0) {
    for (const City& city : host_.context->world->cities) {
      if (!city.marked) continue;
      settings->marked = 1;
      host_.syncControls();
      break;
    }
  }
  host_.redrawMap();
}

}  // namespace meridiana
