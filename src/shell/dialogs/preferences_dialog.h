#pragma once
// Preferences (dialog 117): a tree choosing one of three pages, Options (shadow refresh,
// wallpaper width, scale and cloud date, animation loop, live data, working hours, the map centre,
// the home city), Settings (the browser) and Proxy/Firewall. Nothing takes effect until OK, and
// then only through the window.

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "online/proxy_settings.h"

class QFormLayout;
class QLabel;
class QLineEdit;
class QCheckBox;
class QComboBox;
class QRadioButton;
class QTabWidget;

namespace meridiana {

class CityNameField;
class InterfaceLanguage;
struct WorldData;

struct PreferenceValues {
  int refresh = 10;        // minutes, 0 for no automatic refresh
  int wallpaperWidth = 0;  // pixels
  bool info = false;
  bool loop = false;
  bool live = true;         // download live earthquakes and clouds
  bool liveLocked = false;  // the machine's value decides: the box cannot change it
  double center = 0;        // the longitude at the middle of the map
  // The longitude of the computer's own place (the city of its time zone); none when unknown.
  std::optional<double> hostLongitude;
  std::string browser;
  ProxySettings proxy;
  std::string workingHours = "9-17";  // the meeting planner's, "H-H"
  // The home city as the setting names it, empty for the computer's city (hostCity, shown in
  // the empty field).
  std::string home;
  std::string hostCity;
  // The wallpaper as the map or a disc ("rectangular", "orthographic", "azimuthal") and the
  // disc's centre ("LAT,LON" or a city; empty for home). OK refuses a centre for which
  // centerIsPlace is false; without it any text is taken.
  std::string wallpaperProjection = "rectangular";
  std::string wallpaperCenter;
  std::function<bool(const std::string&)> centerIsPlace;
};

class PreferencesDialog : public QDialog {
  Q_OBJECT

 public:
  // browsers: the names the browser list offers after the stored choice. Without a world there
  // are no cities to choose home from: the field is left out and the home kept.
  PreferencesDialog(const PreferenceValues& values, const std::vector<std::string>& browsers,
                    InterfaceLanguage* language, QWidget* parent = nullptr,
                    const WorldData* world = nullptr);

  // What the pages hold now, read as OK reads them: numbers as atoi reads them, any text kept.
  PreferenceValues Read() const;
  // The page on show (0 Options, 1 Settings, 2 Proxy/Firewall).
  int currentPage() const;

  // The choices of the map-centre list, in their order.
  enum CenterChoice { kGreenwich, kPacific, kHostLongitude, kOtherLongitude };
  // The longitude the map-centre list and field give; none when the field holds no longitude
  // from -180 to 180 (OK then shows why and keeps the dialog open).
  std::optional<double> ChosenCenter() const;

 public:
  // Keeps the dialog open while a field holds what it cannot take: a longitude, minutes the
  // timer can hold, a width the wallpaper can be, working hours within a day, a port, a city.
  void accept() override;

 private:
  void FillOptions(QWidget* page, const PreferenceValues& values);
  void FillSettings(QWidget* page, const PreferenceValues& values,
                    const std::vector<std::string>& browsers);
  void FillProxy(QWidget* page, const PreferenceValues& values);
  // With "None" the four fields are off; the password also for SOCKS4, which has none.
  void UpdateProxyFields();
  void FillCenter(QWidget* page, QFormLayout* form, const PreferenceValues& values);
  void UpdateCenterField();
  void FillHome(QWidget* page, QFormLayout* form, const PreferenceValues& values);
  // The setting's text for what the home field holds; none when it names no city.
  std::optional<std::string> ChosenHome() const;
  void FillWallpaperGlobe(QWidget* page, QFormLayout* form, const PreferenceValues& values);
  // A field OK checks, with the red line under it that says what it wants.
  void AddCheck(QFormLayout* form, QWidget* page, QLineEdit* field, int pageIndex, int reasonText,
                std::function<bool(const QString&)> valid);
  QString Text(int id) const;

  struct FieldCheck {
    QLineEdit* field;
    QLabel* error;
    int page;
    int reason;
    std::function<bool(const QString&)> valid;
  };
  std::vector<FieldCheck> checks_;

  QTabWidget* pages_ = nullptr;
  QLineEdit* refresh_ = nullptr;
  QLineEdit* wallpaperWidth_ = nullptr;
  QLineEdit* workingHours_ = nullptr;
  QComboBox* wallpaperProjection_ = nullptr;
  QLineEdit* wallpaperCenter_ = nullptr;
  QCheckBox* info_ = nullptr;
  QCheckBox* loop_ = nullptr;
  QCheckBox* live_ = nullptr;
  QComboBox* center_ = nullptr;
  QLineEdit* centerValue_ = nullptr;
  QLabel* centerError_ = nullptr;
  std::optional<double> hostLongitude_;
  const WorldData* world_ = nullptr;
  CityNameField* home_ = nullptr;  // null without a world
  std::string keptHome_;           // the home the dialog opened with
  InterfaceLanguage* language_ = nullptr;
  QComboBox* browser_ = nullptr;
  QRadioButton* types_[4] = {};
  QLineEdit* host_ = nullptr;
  QLineEdit* port_ = nullptr;
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
};

}  // namespace meridiana
