#include "shell/dialogs/link_actions.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "foundation/key_value_store.h"
#include "foundation/user_notice.h"
#include "online/link_template.h"
#include "shell/app/app_identity.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"
#include "shell/dialogs/dialog_host.h"

namespace meridiana {
namespace {

constexpr int kWeatherDialog = 8003;
constexpr int kNoViewerText = 1604;
constexpr int kBrowserFailedText = 1440;
constexpr int kBrowserFailedTitle = 1442;

// The "Weather Forecast" window: no web engine is shipped, so instead of a page that would stay
// "Loading..." it says so and offers the forecast's link, which opens in the browser.
QDialog* MakeWeatherWindow(QWidget* parent, const QString& url,
                           std::function<void(const QString&)> open) {
  auto* dialog = new QDialog(parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(ToQString(ProgramDialog(kWeatherDialog).caption));
  auto* placeholder = new QLabel(DialogControlText(kWeatherDialog, kNoViewerText), dialog);
  placeholder->setObjectName(QStringLiteral("noViewer"));
  placeholder->setWordWrap(true);
  auto* link = new QLabel(dialog);
  link->setObjectName(QStringLiteral("forecastLink"));
  link->setTextFormat(Qt::RichText);
  link->setWordWrap(true);
  link->setText(
      QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), url.toHtmlEscaped()));
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  QObject::connect(link, &QLabel::linkActivated, dialog, std::move(open));
  auto* close = new QPushButton(DialogControlText(kWeatherDialog, 2), dialog);
  QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(dialog);
  layout->addWidget(placeholder);
  layout->addWidget(link, 1);
  layout->addWidget(close, 0, Qt::AlignRight);
  dialog->resize(480, 160);
  return dialog;
}

}  // namespace

LinkActions::LinkActions(Context context) : context_(std::move(context)) {}

std::string LinkActions::BrowserChoice() const {
  if (context_.store == nullptr) return {};
  return context_.store->Read(Hive::CurrentUser, kAppKey, "browser").value_or("");
}

const City* LinkActions::CityFor(const City* city) const {
  if (city != nullptr) return city;
  if (context_.defaultCity) {
    if (const City* nearest = context_.defaultCity()) return nearest;
  }
  if (context_.world != nullptr && !context_.world->cities.empty())
    return &context_.world->cities.front();
  return nullptr;
}

std::optional<std::string> LinkActions::Link(std::string_view name, const City* city) const {
  if (context_.store == nullptr || context_.world == nullptr) return std::nullopt;
  LinkContext link;
  if (context_.language != nullptr) link.language = context_.language->selectedCode();
  if (context_.zoom) link.zoom = context_.zoom();
  if (context_.pointer) {
    const LatLon at = context_.pointer();
    link.pointerLatitude = at.latitude;
    link.pointerLongitude = at.longitude;
  }
  const TimeValue now = context_.clock != nullptr ? context_.clock->Now() : SystemClock().Now();
  return ExpandStoredLink(*context_.store, name, CityFor(city), *context_.world, now,
                          std::move(link));
}

bool LinkActions::OpenLink(std::string_view name, const City* city) {
  const std::optional<std::string> url = Link(name, city);
  if (!url) return false;
  if (OpenInBrowser(BrowserChoice(), *url)) return true;
  WarnBrowserFailed();
  return false;
}

void LinkActions::OpenWeather(const City* city) {
  const std::optional<std::string> url = Link("weather", city);
  if (!url) return;
  // Over a modal Properties dialog the window must belong to it, or it could not be used.
  QWidget* modal = QApplication::activeModalWidget();
  QDialog* window = MakeWeatherWindow(modal != nullptr ? modal : context_.parent, ToQString(*url),
                                      [this](const QString& at) {
                                        if (!OpenInBrowser(BrowserChoice(), ToUtf8(at)))
                                          WarnBrowserFailed();
                                      });
  ShowDialog(nullptr, window, kWeatherDialog, std::string(kDisplayName), context_.store, false,
             context_.language);
}

bool LinkActions::OpenInBrowser(const std::string& browserPath, const std::string& url) {
  if (url.empty()) return false;
  QString target = ToQString(url);
  QUrl address(target);
  if (!target.contains(':')) {
    const qsizetype hash = target.indexOf('#');
    const QString path = target.left(hash < 0 ? target.size() : hash);
    QString file = QDir::current().absoluteFilePath(path);
    if (!QFileInfo::exists(file) && context_.findDataFile)
      file = QDir::current().absoluteFilePath(ToQString(context_.findDataFile(ToUtf8(path))));
    address = QUrl::fromLocalFile(file);
    if (hash >= 0) address.setFragment(target.mid(hash + 1));
    target = address.toString(QUrl::FullyEncoded);
  }
  if (browserPath.empty()) return QDesktopServices::openUrl(address);
  const BrowserSystem& system = context_.system != nullptr ? *context_.system : hostSystem_;
  const std::string executable = system.FindExecutable(browserPath);
  if (executable.empty()) return false;
  // An argument vector, never a shell: nothing in the URL is read as a command.
  Browser browser{executable, {}};
  const std::optional<Browser>& found = Browsers().defaultBrowser;
  if (found && found->executable == executable) browser = *found;
  const std::vector<std::string> command = BrowserCommand(browser, ToUtf8(target));
  QStringList arguments;
  for (std::size_t i = 1; i < command.size(); ++i) arguments << ToQString(command[i]);
  return QProcess::startDetached(ToQString(command.front()), arguments);
}

const BrowserList& LinkActions::Browsers() {
  if (!browsers_)
    browsers_ = FindBrowsers(context_.system != nullptr ? *context_.system : hostSystem_);
  return *browsers_;
}

void LinkActions::WarnBrowserFailed() {
  if (context_.notice == nullptr) return;
  const auto text = [this](int id) {
    return ToUtf8(context_.language != nullptr ? context_.language->Text(id) : EnglishText(id));
  };
  context_.notice->ShowMessage(text(kBrowserFailedTitle), text(kBrowserFailedText));
}

}  // namespace meridiana
