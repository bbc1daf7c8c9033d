// KDE Plasma keeps a wallpaper per desktop (one per screen and activity), changed through the
// shell's scripting interface on the session bus: org.kde.PlasmaShell.evaluateScript runs a
// script in plasmashell and answers what it printed. Every desktop shows the map with the image
// plug-in, scaled with its aspect kept; what each had (plug-in, picture, fill mode) is kept as a
// JSON object by desktop id and written back on the way out.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <map>

#include "shell/desktop/session_bus.h"
#include "shell/desktop/wallpaper_backends.h"

namespace meridiana {
namespace {

constexpr char kImagePlugin[] = "org.kde.image";
constexpr char kAspectFit[] = "1";  // Image.PreserveAspectFit

// Each desktop's id, wallpaper plug-in and the picture and fill mode of the image plug-in,
// printed as one JSON array. Unset values read as "", which the image plug-in takes as its
// default.
constexpr char kReadScript[] = R"(var seen = [];
desktops().forEach(function (d) {
  d.currentConfigGroup = ["Wallpaper", "org.kde.image", "General"];
  seen.push({id: String(d.id), plugin: String(d.wallpaperPlugin),
             image: String(d.readConfig("Image", "")), fill: String(d.readConfig("FillMode", ""))});
});
print(JSON.stringify(seen));
)";

// Sets each desktop listed in `wanted` ({id: {plugin, image, fill}}; "*" for every desktop).
constexpr char kWriteScript[] = R"(desktops().forEach(function (d) {
  var want = wanted[String(d.id)] || wanted["*"];
  if (!want) return;
  d.currentConfigGroup = ["Wallpaper", "org.kde.image", "General"];
  d.writeConfig("Image", want.image);
  d.writeConfig("FillMode", want.fill);
  d.wallpaperPlugin = want.plugin;
});
)";

struct DesktopWallpaper {
  QString plugin;
  QString image;
  QString fill;
  bool operator==(const DesktopWallpaper&) const = default;
};
using ById = std::map<QString, DesktopWallpaper>;

std::string Compact(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

QJsonObject ObjectOf(const std::string& text) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

class PlasmaWallpaper : public WallpaperBackend {
 public:
  std::string Name() const override { return "KDE Plasma"; }

  bool Read(KeptWallpaper* kept, std::string* error) override {
    ById desktops;
    if (std::string problem = Desktops(&desktops); !problem.empty()) {
      *error = problem;
      return false;
    }
    QJsonObject images;
    QJsonObject plugins;
    QJsonObject fills;
    for (const auto& [id, wallpaper] : desktops) {
      images[id] = wallpaper.image;
      plugins[id] = wallpaper.plugin;
      fills[id] = wallpaper.fill;
    }
    kept->file = {true, Compact(images)};
    kept->second = {true, Compact(plugins)};
    kept->style = {true, Compact(fills)};
    return true;
  }

  std::string Apply(const std::string& file) override {
    const DesktopWallpaper map{
        kImagePlugin, QUrl::fromLocalFile(QString::fromStdString(file)).toString(), kAspectFit};
    return WriteAndReadBack({{QStringLiteral("*"), map}}, "plasmashell did not keep the map");
  }

  bool ShowsOwnFile(const KeptSetting& picture) const override {
    for (const QJsonValue image : ObjectOf(picture.value)) {
      const QUrl url(image.toString());
      if (url.isLocalFile() && IsOwnFile(url.toLocalFile().toStdString())) return true;
    }
    return false;
  }

  std::string Restore(const KeptWallpaper& kept) override {
    const QJsonObject images = ObjectOf(kept.file.value);
    const QJsonObject plugins = ObjectOf(kept.second.value);
    const QJsonObject fills = ObjectOf(kept.style.value);
    ById wanted;
    for (auto at = images.begin(); at != images.end(); ++at)
      wanted[at.key()] = {plugins.value(at.key()).toString(kImagePlugin), at.value().toString(),
                          fills.value(at.key()).toString()};
    if (wanted.empty()) return {};  // nothing was kept: no desktop had a wallpaper to give back
    return WriteAndReadBack(wanted, "plasmashell did not take back the wallpaper");
  }

 private:
  static BusReply Evaluate(const QString& script) {
    return CallSessionBus(QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
                          QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"),
                          {script});
  }

  static std::string Desktops(ById* desktops) {
    const BusReply reply = Evaluate(QString::fromLatin1(kReadScript));
    if (!reply.ok) return reply.text.toStdString();
    const QJsonDocument answer = QJsonDocument::fromJson(reply.text.trimmed().toUtf8());
    if (!answer.isArray()) return "plasmashell answered something else than its desktops";
    for (const QJsonValue& entry : answer.array()) {
      const QJsonObject desktop = entry.toObject();
      (*desktops)[desktop.value("id").toString()] = {desktop.value("plugin").toString(),
                                                     desktop.value("image").toString(),
                                                     desktop.value("fill").toString()};
    }
    if (desktops->empty()) return "plasmashell shows no desktop";
    return {};
  }

  // Writes and reads back: each desktop must now show what `wanted` gives it.
  static std::string WriteAndReadBack(const ById& wanted, const std::string& failure) {
    if (std::string problem = Write(wanted); !problem.empty()) return problem;
    ById now;
    if (std::string problem = Desktops(&now); !problem.empty()) return problem;
    for (const auto& [id, wallpaper] : now) {
      auto want = wanted.find(id);
      if (want == wanted.end()) want = wanted.find(QStringLiteral("*"));
      if (want != wanted.end() && !(want->second == wallpaper))
        return failure + " on desktop " + id.toStdString();
    }
    return {};
  }

  static std::string Write(const ById& wanted) {
    QJsonObject list;
    for (const auto& [id, wallpaper] : wanted)
      list[id] = QJsonObject{
          {"plugin", wallpaper.plugin}, {"image", wallpaper.image}, {"fill", wallpaper.fill}};
    // The values go in as a JSON literal, which is also a script literal: no quoting of ours.
    const QString script = QStringLiteral("var wanted = ") +
                           QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)) +
                           QStringLiteral(";\n") + QString::fromLatin1(kWriteScript);
    const BusReply reply = Evaluate(script);
    return reply.ok ? std::string() : reply.text.toStdString();
  }
};

}  // namespace

std::unique_ptr<WallpaperBackend> MakePlasmaWallpaper() {
  return std::make_unique<PlasmaWallpaper>();
}

}  // namespace meridiana
