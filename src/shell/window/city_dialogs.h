#pragma once
// The window's cities: the City Selector, the Properties dialogs, the cities of the map's context
// menu (Make Home among their commands), the web links opened for them, and the marks with their
// undoable Clear.

#include <QPointer>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "shell/window/feature_host.h"

namespace meridiana {

struct City;
class CitySelectorDialog;
class CommandTable;
class DialogHost;
class HomePlace;
class InterfaceLanguage;
class LinkActions;
class MapGestures;
class MapImages;
struct MapView;
class PropertiesDialog;

class CityDialogs {
 public:
  using LinkOpener = std::function<void(std::string_view link, const City* city)>;

  // The gestures are made after the feature and outlive none of its calls.
  CityDialogs(FeatureHost host, const MapView& view, MapImages& images,
              const std::unique_ptr<MapGestures>& gestures, HomePlace& home);
  ~CityDialogs();

  // Select City, Properties, Clear and Undo, the links and the context menu's city entries.
  void AddCommands(CommandTable& table);
  // A city's mark changed elsewhere: the marked cities' layer comes on, the map repaints.
  void OnMarksChanged();
  // Whether a Clear took marks that an Undo gives back.
  bool canUndoClear() const { return !clearedMarks_.empty(); }

  CitySelectorDialog* citySelector() const;
  PropertiesDialog* properties() const;
  LinkActions* links() const { return links_.get(); }
  // Opens a web link ("hotels", "weather", "books", "sat", "faq") for a city or none.
  void SetLinkOpener(LinkOpener opener) { openLink_ = std::move(opener); }

 private:
  void OpenCitySelector();
  // The modeless dialog is shown and filled again; a modal one is opened anew each time.
  void OpenProperties(City& city, bool modal);
  // Clear City Selection, undoable for the session: the marks it took are kept until an Undo.
  void ClearCitySelection();
  void UndoClearCitySelection();
  void RefreshSelectorRows();

  FeatureHost host_;
  const MapView& view_;
  MapImages& images_;
  const std::unique_ptr<MapGestures>& gestures_;
  HomePlace& home_;
  std::unique_ptr<LinkActions> links_;
  LinkOpener openLink_;
  QPointer<CitySelectorDialog> citySelector_;
  std::unique_ptr<DialogHost> citySelectorHost_;
  QPointer<PropertiesDialog> properties_;
  std::unique_ptr<DialogHost> propertiesHost_;
  std::vector<std::size_t> clearedMarks_;  // city indexes of the last Clear that took marks
  InterfaceLanguage* language_ = nullptr;
  int languageListener_ = -1;
};

}  // namespace meridiana
