// A stand-in for Plasma's shell on a test's session bus: org.kde.plasmashell at /PlasmaShell
// with evaluateScript, as plasmashell cannot run headless. Each script runs in a JavaScript
// engine (Plasma's own is Qt's too) against desktops kept in a JSON state file, through the
// scripting calls the real shell offers: desktops(), id, wallpaperPlugin, currentConfigGroup,
// readConfig, writeConfig and print. The state is written back after every script and each
// script is appended to a record file, so a test sees what a real desktop would have been told.
//
//   fake_plasmashell STATE.json RECORD.txt
//   STATE.json: {"desktops": [{"id": 1, "plugin": "org.kde.image",
//                "config": {"Wallpaper/org.kde.image/General": {"Image": "file:///a.jpg"}}}],
//                "frozen": false}   (frozen: writes are ignored, as by a shell that fails)

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QFile>
#include <QJSEngine>
#include <QObject>
#include <cstdio>

namespace {

constexpr char kDesktopModel[] = R"((function (state, script) {
  var out = "";
  function Desktop(s) { this.s = s; this.currentConfigGroup = []; }
  Object.defineProperty(Desktop.prototype, "id", {get: function () { return this.s.id; }});
  Object.defineProperty(Desktop.prototype, "wallpaperPlugin", {
    get: function () { return this.s.plugin; },
    set: function (v) { if (!state.frozen) this.s.plugin = String(v); }});
  Desktop.prototype.readConfig = function (key, fallback) {
    var group = this.s.config[this.currentConfigGroup.join("/")];
    return group && key in group ? group[key] : fallback;
  };
  Desktop.prototype.writeConfig = function (key, value) {
    if (state.frozen) return;
    var name = this.currentConfigGroup.join("/");
    var group = this.s.config[name] || (this.s.config[name] = {});
    group[key] = String(value);  // the shell's configuration keeps text
  };
  var desktops = function () { return state.desktops.map(function (s) { return new Desktop(s); }); };
  var print = function (text) { out += String(text); };
  new Function("desktops", "print", script)(desktops, print);
  return [out, JSON.stringify(state, null, 1)];
}))";

class Shell : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

 public:
  Shell(QString statePath, QString recordPath)
      : statePath_(std::move(statePath)), recordPath_(std::move(recordPath)) {}

 public Q_SLOTS:
  QString evaluateScript(const QString& script) {
    QFile record(recordPath_);
    if (record.open(QIODevice::Append)) record.write((script + "\n----\n").toUtf8());
    QFile stateFile(statePath_);
    if (!stateFile.open(QIODevice::ReadOnly)) {
      sendErrorReply(QDBusError::Failed, "no state file");
      return {};
    }
    QJSEngine engine;
    const QJSValue state = engine.evaluate("(" + QString::fromUtf8(stateFile.readAll()) + ")");
    const QJSValue result = engine.evaluate(kDesktopModel).call({state, script});
    if (result.isError()) {
      // As plasmashell does: a script that throws answers a D-Bus error with the message.
      sendErrorReply(QDBusError::Failed, result.toString());
      return {};
    }
    stateFile.close();
    if (stateFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
      stateFile.write(result.property(1).toString().toUtf8());
    return result.property(0).toString();
  }

 private:
  QString statePath_;
  QString recordPath_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: fake_plasmashell STATE.json RECORD.txt\n");
    return 2;
  }
  Shell shell(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject("/PlasmaShell", &shell, QDBusConnection::ExportAllSlots) ||
      !bus.registerService("org.kde.plasmashell")) {
    std::fprintf(stderr, "fake_plasmashell: cannot take org.kde.plasmashell\n");
    return 1;
  }
  return application.exec();
}

#include "fake_plasmashell.moc"
