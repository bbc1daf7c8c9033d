#include "shell/app.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <ctime>

#include "foundation/file_util.h"
#include "foundation/key_value_store.h"
#include "foundation/path_util.h"
#include "map/base_images.h"
#include "map/compose.h"
#include "map/sun_shadow.h"
#include "online/live_data.h"
#include "online/proxy_settings.h"
#include "online/service_address.h"
#include "resources/embedded.h"
#include "shell/app/app_identity.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/map_image_files.h"
#include "shell/app/qt_text.h"
#include "shell/app/qt_user_notice.h"
#include "shell/app/single_instance.h"
#include "shell/app/startup_report.h"
#include "shell/app/termination_signals.h"
#include "shell/window/main_window.h"
#include "shell/window/map_readout.h"
#include "shell/window/status_bar.h"
#include "world/place_names.h"

namespace meridiana {

namespace {

// How soon after a change the settings are saved, so that a crash loses at most this much.
constexpr int kAutosavePeriodMs = 2000;
constexpr char kDefaultConfigName[] = "default-config.ini";

std::string ProgramVersion() { return MERIDIANA_VERSION; }

std::string AbsoluteFolder(const std::string& folder) {
  if (folder.empty()) return folder;
  return ToUtf8(QFileInfo(ToQString(folder)).absoluteFilePath());
}

}  // namespace

App::App(AppEnvironment environment)
    : env_(std::move(environment)),
      dataPaths_(AbsoluteFolder(env_.userFolder), AbsoluteFolder(env_.dataFolder)),
      localizer_(ParseStringTable(resources::StringTableText())) {
  if (env_.notice != nullptr) {
    notice_ = env_.notice;
  } else {
    qtNotice_ = std::make_unique<QtUserNotice>(QtUserNotice::ModeForPlatform());
    notice_ = qtNotice_.get();
  }
}

App::~App() { Release(); }

bool App::Start() {
  if (started_) return true;
  if (!AcquireSingleInstance()) return false;
  started_ = true;
  InitializePlatform();
  EnterUserFolder();
  StartFramework();
  SetAppKey();
  ClearAnimationFrames();
  PrepareRuntime();
  BuildMenuIconList();
  LoadWorldTables();
  LoadSettings();
  CreateMainWindow();
  OpenMainWindow();
  if (quitRequested_) {
    mainWindow_->OnCommand(ids::kCmdQuit);
  } else if (const int command = StartActionCommand(env_.startAction); command != 0) {
    mainWindow_->OnCommand(command);
  }
  return true;
}

int App::Exec() {
  const int code = QApplication::exec();
  Release();
  return code;
}

void App::Release() {
  if (!started_ || released_) return;
  released_ = true;
  embedded_.Stop();
  ReleaseImages();
  ReleaseAnimationFrames();
  ReleaseCityZoneAndAreaCodeLists();
  ReleaseQuakeList();
  ReleaseMainWindow();
  ReleaseDstRules();
  ShutdownFramework();
  ReleaseFormatBuffers();
  ReleaseKeyPaths();
  ReleaseSingleInstance();
}

// ---- start-up ----

void App::Step(const char* name) {
  steps_.emplace_back(name);
  if (StartupReportWanted()) ReportStartupMoment(("step " + steps_.back()).c_str());
}

bool App::AcquireSingleInstance() {
  Step("AcquireSingleInstance");
  const QString path = env_.instanceServerPath.isEmpty() ? SingleInstanceGuard::DefaultServerPath()
                                                         : env_.instanceServerPath;
  guard_ = std::make_unique<SingleInstanceGuard>(path, env_.startAction);
  switch (guard_->Acquire()) {
    case SingleInstanceGuard::Outcome::AnotherRunning:
      guard_.reset();
      return false;
    case SingleInstanceGuard::Outcome::Unguarded:
      // Not reported: the program simply runs without the guard.
      guard_.reset();
      return true;
    case SingleInstanceGuard::Outcome::Owner:
      QObject::connect(guard_.get(), &SingleInstanceGuard::raiseRequested,
                       [this] { OnRaiseRequested(); });
      // Queued: an action may open a message box, whose event loop must not run inside the
      // guard's socket handling.
      QObject::connect(
          guard_.get(), &SingleInstanceGuard::actionRequested, guard_.get(),
          [this](int command) {
            if (mainWindow_ && !quitRequested_) mainWindow_->OnCommand(command);
          },
          Qt::QueuedConnection);
      return true;
  }
  return true;
}

void App::InitializePlatform() {
  Step("InitializePlatform");
  // The QApplication made by main() stands for the platform's and the controls' set-up; what is
  // left is ours: the program ends through Quit, not when its last window hides.
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(MenuIconList::LoadResourceIcon(ids::kAppIcon));
  if (env_.handleTerminationSignals) {
    termination_ = std::make_unique<TerminationSignals>();
    QObject::connect(termination_.get(), &TerminationSignals::terminationRequested,
                     [this] { OnTerminationRequested(); });
  }
}

void App::EnterUserFolder() {
  Step("EnterUserFolder");
  const std::string& folder = dataPaths_.userFolder();
  if (folder.empty()) return;
  // Without the folder the program still runs; its files then land in the current directory.
  if (!QDir().mkpath(ToQString(folder))) return;
  if (::chdir(folder.c_str()) != 0) return;
}

void App::StartFramework() {
  Step("StartFramework");
  productCode_ = std::string(kDefaultProductCode);
  baseName_ = ProgramBaseName(env_.executablePath);
  // The web-page control has no counterpart here, so the library that hosts it is not loaded.
}

void App::SetAppKey() {
  Step("SetAppKey");
  appKey_ = std::string(kAppKey);
  if (env_.store != nullptr) productCode_ = ProductCode(*env_.store);
}

void App::ClearAnimationFrames() {
  Step("ClearAnimationFrames");
  // The cloud animation frames arrive with the cloud service.
}

void App::PrepareRuntime() {
  Step("PrepareRuntime");
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  ::mkdir("cache", 0755);  // an existing folder or a failure is fine
}

void App::BuildMenuIconList() {
  Step("BuildMenuIconList");
  menuIcons_.Build();
}

void App::LoadWorldTables() {
  // The map's pictures are the slowest part of a start: they decode on other threads from here
  // on, while the tables are read and the window is made. The night image is loaded on first
  // need, from wherever the search path finds it.
  images_ = std::make_unique<MapImages>(FolderHolding(dataPaths_, kNightImagePath), notice_);
  StartLoadingBaseImages(*images_, dataPaths_, false);
  // The city list must be there before the settings: saved marks are matched against it.
  Step("LoadCities");
  LoadCities(world_, dataPaths_.Find(kCitiesFile).c_str(), notice_);
  Step("LoadZones");
  LoadZones(world_, dataPaths_.Find(kZonesFile).c_str(), notice_);
  Step("LoadDstRules");
  LoadDstRules(world_, dataPaths_.Find(kDstRulesFile).c_str(), notice_);
  Step("LoadAreaCodes");
  LoadAreaCodes(world_, dataPaths_.Find(kAreaCodesFile).c_str(), notice_);
}

std::string App::ConfigPath() const { return JoinPath(dataPaths_.userFolder(), kConfigIniName); }

SavedState App::State() { return {&settings_, &world_, &frames_, &languageCode_}; }

void App::LoadSettings() {
  Step("LoadSettings");
  std::vector<std::string> languageFolders;
  for (const std::string* folder : {&dataPaths_.userFolder(), &dataPaths_.dataFolder()})
    if (!folder->empty()) languageFolders.push_back(*folder);
  language_ = std::make_unique<InterfaceLanguage>(&localizer_, languageFolders);
  // The first listener, so the places have their new names before anything is drawn again.
  language_->AddListener([this, folders = std::move(languageFolders)] {
    LoadPlaceNames(world_, language_->selectedCode(), folders);
  });
  if (env_.store == nullptr) return;
  const SettingsRegistry registry(env_.store, appKey_);
  meridiana::LoadSettings(registry, *env_.store, State(), DesktopDefaultLanguage(), ConfigPath());
  if (!FileExists(ConfigPath().c_str())) {
    // A first start: the installed marked cities, and the city of the computer's own zone.
    ReadConfigIni(JoinPath(dataPaths_.dataFolder(), kDefaultConfigName), world_, nullptr);
    if (City* home = CityOfHostZone(world_, HostZoneName())) home->marked = true;
  }
  savedText_ = SavedStateText(State(), ProgramVersion());
}

void App::CreateMainWindow() {
  Step("CreateMainWindow");
  if (settings_.refresh == 0) settings_.refresh = kDefaultRefreshMinutes;
  // The first composition needs the night image for the shadow or the night view. The first
  // shadow over the day map is computed meanwhile too; the window takes it if it is still the
  // same second when it composes.
  StartLoadingBaseImages(*images_, dataPaths_, settings_.shadow != 0 || settings_.night != 0);
  ViewModes modes;
  modes.day = settings_.day != 0;
  modes.night = settings_.night != 0;
  modes.zones = settings_.zones != 0;
  modes.shadow = settings_.shadow != 0;
  modes.twilight = settings_.twilight != 0;
  if (modes.shadow && !modes.twilight && ChooseComposeSource(modes) == ComposeSource::kDay) {
    const Clock* clock = env_.clock != nullptr ? env_.clock : &systemClock_;
    images_->StartShadowingDay(ApplySunShadow, [clock] { return clock->Now(); });
  }
  MainWindow::Context context;
  context.settings = &settings_;
  context.store = env_.store;
  context.icons = &menuIcons_;
  context.saveSettings = [this] { OnSaveSettings(); };
  context.notice = notice_;
  context.clock = env_.clock != nullptr ? env_.clock : &systemClock_;
  context.locale = env_.locale != nullptr ? env_.locale : &locale_;
  context.world = &world_;
  context.images = images_.get();
  context.dataPaths = &dataPaths_;
  context.language = language_.get();
  context.initialLanguage = languageCode_;
  context.frames = &frames_;
  context.trayAvailable = env_.trayAvailable;
  ApplyServiceSettings();
  context.serviceSettingsChanged = [this] { ApplyServiceSettings(); };
  context.serviceAddress = [this] {
    return ChooseServiceAddress(ServiceAddress(env_.store), kDefaultServiceAddress, &embedded_,
                                env_.embeddedService);
  };
  mainWindow_ = std::make_unique<MainWindow>(std::move(context));
  if (qtNotice_) {
    PartStatusBar* bar = mainWindow_->statusBar();
    qtNotice_->AttachStatusLine(bar, [bar](int part, const QString& text) {
      bar->SetPartText(StatusMessagePart(part), text);
    });
  }
}

void App::OpenMainWindow() {
  Step("OpenMainWindow");
  mainWindow_->Open();
  autosave_ = new QTimer(mainWindow_.get());
  QObject::connect(autosave_, &QTimer::timeout, [this] { SaveSettingsIfChanged(); });
  autosave_->start(kAutosavePeriodMs);
  // After the first map: the service is wanted only when the user asks for an online layer. A
  // request before then starts it itself.
  if (!env_.embeddedService.empty() && ServiceAddress(env_.store) == kDefaultServiceAddress) {
    mainWindow_->AfterFirstMap([this] {
      if (!embedded_.started() && !embedded_.stopped()) embedded_.Start(env_.embeddedService);
    });
  }
  // The session manager may end the program without a Quit: what changed is saved first.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, mainWindow_.get(),
                   [this] { SaveSettingsIfChanged(); });
}

// ---- while running ----

void App::ApplyServiceSettings() {
  const LiveDataChoice live = ReadLiveData(env_.store);
  embedded_.SetArguments(BundledServiceArguments(live.on, live.on ? PrepareLiveDataFolder() : ""));
  // The proxy kept in Preferences; the desktop's comes with the environment.
  if (env_.store != nullptr)
    embedded_.SetEnvironment(ServiceProxyEnvironment(LoadProxy(*env_.store, {}, kSchemeHttps)));
}

void App::OnSaveSettings() {
  Step("SaveSettings");
  WriteSettings(notice_);
}

void App::WriteSettings(UserNotice* notice) {
  if (env_.store == nullptr) return;
  if (mainWindow_) mainWindow_->SyncWallpaperValues();
  if (language_) languageCode_ = language_->selectedCode();
  SettingsRegistry registry(env_.store, appKey_);
  meridiana::SaveSettings(registry, *env_.store, State(), ProgramVersion(), ConfigPath(), notice);
  savedText_ = SavedStateText(State(), ProgramVersion());
}

void App::SaveSettingsIfChanged() {
  if (!mainWindow_ || mainWindow_->destroyed() || env_.store == nullptr) return;
  mainWindow_->StoreViewState();
  mainWindow_->SyncWallpaperValues();
  if (language_) languageCode_ = language_->selectedCode();
  if (SavedStateText(State(), ProgramVersion()) == savedText_) return;
  // Quietly: a config.ini that cannot be written is reported once, by the save at the end.
  WriteSettings(nullptr);
}

void App::OnTerminationRequested() {
  if (mainWindow_) {
    mainWindow_->OnCommand(ids::kCmdQuit);
    return;
  }
  // Still starting, probably waiting in an error box: let start-up run to its end without
  // further boxes, then quit the ordinary way.
  quitRequested_ = true;
  if (qtNotice_) qtNotice_->SetSilent(true);
  if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
}

void App::OnRaiseRequested() {
  // An error box shown during start-up is the window the user needs to see.
  if (QWidget* modal = QApplication::activeModalWidget()) {
    modal->show();
    modal->raise();
    modal->activateWindow();
  }
  if (mainWindow_) mainWindow_->BringToFront();
  // Other open dialogs of the program come forward too.
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QDialog*>(widget) != nullptr && widget->isVisible()) {
      widget->setWindowState(widget->windowState() & ~Qt::WindowMinimized);
      widget->raise();
    }
  }
}

// ---- release ----

void App::ReleaseImages() {
  Step("ReleaseImages");
  if (images_) ReleaseMapImages(*images_);
}

void App::ReleaseAnimationFrames() { Step("ReleaseAnimationFrames"); }

void App::ReleaseCityZoneAndAreaCodeLists() {
  Step("ReleaseCityZoneAndAreaCodeLists");
  world_.cities.clear();
  world_.zones.clear();
  world_.areaCodes.clear();
}

void App::ReleaseQuakeList() {
  Step("ReleaseQuakeList");
  // There is no earthquake list yet.
}

void App::ReleaseMainWindow() {
  Step("ReleaseMainWindow");
  if (qtNotice_) qtNotice_->AttachStatusLine(nullptr, nullptr);
  mainWindow_.reset();
}

void App::ReleaseDstRules() {
  Step("ReleaseDstRules");
  world_.rules.clear();
}

void App::ShutdownFramework() {
  Step("ShutdownFramework");
  menuIcons_.Clear();
  productCode_.clear();
  baseName_.clear();
}

void App::ReleaseFormatBuffers() {
  Step("ReleaseFormatBuffers");
  // Date formats and path joins return their own strings; no shared buffers to free.
}

void App::ReleaseKeyPaths() {
  Step("ReleaseKeyPaths");
  appKey_.clear();
}

void App::ReleaseSingleInstance() {
  Step("ReleaseSingleInstance");
  guard_.reset();
}

}  // namespace meridiana
