// LXQt's desktop is pcmanfm-qt running with the "lxqt" profile. It takes a new wallpaper and its
// mode over the session bus (org.pcmanfm.Application.setWallpaper, what `pcmanfm-qt
// --set-wallpaper FILE --wallpaper-mode MODE` forwards) and keeps them in its settings file,
// [Desktop] Wallpaper and WallpaperMode, which is where they are read and read back.

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

#include "shell/desktop/session_bus.h"
#include "shell/desktop/wallpaper_backends.h"

namespace meridiana {
namespace {

constexpr char kSettingsFile[] = "pcmanfm-qt/lxqt/settings.conf";
constexpr char kPictureKey[] = "Desktop/Wallpaper";
constexpr char kModeKey[] = "Desktop/WallpaperMode";
constexpr char kFit[] = "fit";

// A value of the user's settings file; failing that, the installed defaults (in the
// configuration folders, /etc/xdg, or pcmanfm-qt's own in the data folders, /usr/share), which
// count as not set.
KeptSetting Setting(const char* key) {
  const QString userFile =
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" + kSettingsFile;
  QStringList files =
      QStandardPaths::locateAll(QStandardPaths::GenericConfigLocation, kSettingsFile);
  files += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, kSettingsFile);
  for (const QString& file : files) {
    const QSettings settings(file, QSettings::IniFormat);
    if (settings.contains(key))
      return {file == userFile, settings.value(key).toString().toStdString()};
  }
  return {};
}

class LxqtWallpaper : public WallpaperBackend {
 public:
  std::string Name() const override { return "LXQt"; }

  bool Read(KeptWallpaper* kept, std::string* error) override {
    if (std::string problem = Running(); !problem.empty()) {
      *error = problem;
      return false;
    }
    kept->file = Setting(kPictureKey);
    kept->second = {};
    kept->style = Setting(kModeKey);
    return true;
  }

  std::string Apply(const std::string& file) override { return Set(file, kFit); }

  bool ShowsOwnFile(const KeptSetting& picture) const override { return IsOwnFile(picture.value); }

  std::string Restore(const KeptWallpaper& kept) override {
    // pcmanfm-qt has no way to unset a value: one at its default is set to that default. It
    // refuses a picture it cannot load, so when the user's is gone the desktop shows its
    // background colour instead; the map must not stay on for good.
    if (kept.file.value.empty() || !QFileInfo(QString::fromStdString(kept.file.value)).isFile())
      return ShowColourOnly();
    return Set(kept.file.value, kept.style.value);
  }

 private:
  static std::string Running() {
    const BusReply reply = CallSessionBus(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"),
        {QStringLiteral("org.pcmanfm.PCManFM")});
    if (!reply.ok) return reply.text.toStdString();
    if (reply.text != QLatin1String("true")) return "pcmanfm-qt is not running as the desktop";
    return {};
  }

  // What `pcmanfm-qt --set-wallpaper FILE --wallpaper-mode MODE` forwards; an empty file keeps
  // the picture. "" when the desktop answered, else why not.
  static std::string SetWallpaper(const QString& file, const QString& mode) {
    if (std::string problem = Running(); !problem.empty()) return problem;
    const BusReply reply = CallSessionBus(
        QStringLiteral("org.pcmanfm.PCManFM"), QStringLiteral("/Application"),
        QStringLiteral("org.pcmanfm.Application"), QStringLiteral("setWallpaper"), {file, mode});
    return reply.ok ? std::string() : reply.text.toStdString();
  }

  static std::string ShowColourOnly() { return SetWallpaper(QString(), QStringLiteral("color")); }

  static std::string Set(const std::string& file, const std::string& mode) {
    if (std::string problem =
            SetWallpaper(QString::fromStdString(file), QString::fromStdString(mode));
        !problem.empty())
      return problem;
    // The desktop writes its settings as it takes the picture; allow it a moment.
    const QDeadlineTimer deadline(2000);
    while (Setting(kPictureKey).value != file) {
      if (deadline.hasExpired()) return "pcmanfm-qt did not keep " + file;
      QThread::msleep(20);
    }
    return {};
  }
};

}  // namespace

std::unique_ptr<WallpaperBackend> MakeLxqtWallpaper() { return std::make_unique<LxqtWallpaper>(); }

}  // namespace meridiana
