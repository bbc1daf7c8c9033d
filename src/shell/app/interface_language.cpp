#include "shell/app/interface_language.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <cstdlib>

#include "resources/embedded.h"
#include "shell/app/qt_text.h"
#include "world/language_files.h"

namespace meridiana {
namespace {

constexpr char kEnglishProperty[] = "meridianaEnglish";
constexpr char kMenuIdProperty[] = "meridianaMenuId";

QString Translated(Localizer& localizer, const QString& text, int id) {
  return ToQString(localizer.TranslateCaption(ToUtf8(text), id));
}

// The dialog id a top-level window carries in its object name ("dialog104").
int DialogIdOf(const QWidget* window) {
  const QString name = window->objectName();
  if (!name.startsWith(QStringLiteral("dialog"))) return 0;
  return name.mid(6).toInt();
}

void RetranslateActions(Localizer& localizer, const QList<QAction*>& actions) {
  for (QAction* action : actions) {
    const QVariant english = action->property(kEnglishProperty);
    if (english.isValid()) {
      const int menuId = action->property(kMenuIdProperty).toInt();
      action->setText(LanguageMenuText(
          action->data().toInt(), ToQString(localizer.MenuText(ToUtf8(english.toString()), menuId)),
          localizer.rightToLeft()));
    }
    if (QMenu* sub = action->menu()) RetranslateActions(localizer, sub->actions());
  }
}

}  // namespace

const MenuResource& ProgramMenus() {
  static const MenuResource kMenus = ParseMenuResource(resources::MenuText());
  return kMenus;
}

const std::vector<MenuEntry>& ProgramMenu(int menuId) {
  static const std::vector<MenuEntry> kNone;
  const auto found = ProgramMenus().find(menuId);
  return found != ProgramMenus().end() ? found->second : kNone;
}

const DialogResource& ProgramDialog(int dialogId) {
  static const DialogResources kDialogs = ParseDialogResources(resources::DialogText());
  static const DialogResource kNone;
  const auto found = kDialogs.find(dialogId);
  return found != kDialogs.end() ? found->second : kNone;
}

QString DialogControlText(int dialogId, int controlId) {
  return ToQString(ProgramDialog(dialogId).TextOf(controlId));
}

QString EnglishText(int stringId) {
  static const StringTable kTable = ParseStringTable(resources::StringTableText());
  const auto found = kTable.find(stringId);
  return found != kTable.end() ? ToQString(found->second) : QString();
}

const char* LanguageOfCommand(int command) {
  for (const LanguageCommand& language : kLanguageCommands)
    if (language.command == command) return language.code;
  return nullptr;
}

QString LanguageMenuText(int command, const QString& menuText, bool rightToLeft) {
  for (const LanguageCommand& language : kLanguageCommands) {
    if (language.command != command) continue;
    const QString own = QString::fromUtf8(language.ownName);
    QString plain = menuText;
    plain.replace(QRegularExpression(QStringLiteral("\\(&.\\)|&")), QString());
    if (plain.trimmed() == own) return menuText;
    // The parenthesis keeps the translated name's mnemonic.
    if (!rightToLeft) return own + QStringLiteral(" (") + menuText + QLatin1Char(')');
    // A right-to-left menu reads its own word first, mnemonic beside it, and the language's own
    // name after it in parentheses, set apart (U+2068 … U+2069) so that its letters and
    // punctuation keep their own order instead of joining the Arabic around them.
    return menuText + QStringLiteral(" (\u2068") + own + QStringLiteral("\u2069)");
  }
  return menuText;
}

std::string DesktopDefaultLanguage() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    const LocaleName locale = ParseLocaleName(value);
    return DefaultLanguageCode(locale.language, locale.territory);
  }
  return {};
}

InterfaceLanguage::InterfaceLanguage(Localizer* localizer, std::vector<std::string> folders)
    : localizer_(localizer), folders_(std::move(folders)) {}

bool InterfaceLanguage::Available(const std::string& code) const {
  return code.empty() || LanguageFilePath(code, folders_).has_value();
}

void InterfaceLanguage::Load(const std::string& code) {
  LoadLanguage(*localizer_, code, folders_);
  QApplication::setLayoutDirection(localizer_->rightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
  TranslateOpenWindows();
}

void InterfaceLanguage::Apply(const std::string& chosen) {
  // Codes name files, which are in lower case ("DE" from the locale is the file lang_de).
  std::string code = chosen;
  for (char& c : code)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (code.empty() && !localizer_->hasTranslations()) {
    selected_.clear();
    return;
  }
  // Through English first, so every caption is restored before the next translation applies.
  if (!code.empty() && localizer_->hasTranslations()) Load({});
  Load(code);
  selected_ = code;
  // A copy: a listener may remove itself or others.
  const std::map<int, std::function<void()>> listeners = listeners_;
  for (const auto& [id, listener] : listeners)
    if (listeners_.count(id) != 0) listener();
}

int InterfaceLanguage::AddListener(std::function<void()> listener) {
  listeners_[nextListener_] = std::move(listener);
  return nextListener_++;
}

void InterfaceLanguage::RemoveListener(int id) { listeners_.erase(id); }

void InterfaceLanguage::TranslateOpenWindows() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (const int id = DialogIdOf(window)) TranslateWindow(window, id);
  }
}

void InterfaceLanguage::TranslateWindow(QWidget* window, int dialogId) {
  if (window == nullptr) return;
  if (!window->windowTitle().isEmpty())
    window->setWindowTitle(Translated(*localizer_, window->windowTitle(), dialogId));
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (auto* label = qobject_cast<QLabel*>(child)) {
      label->setText(Translated(*localizer_, label->text(), dialogId));
    } else if (auto* button = qobject_cast<QAbstractButton*>(child)) {
      button->setText(Translated(*localizer_, button->text(), dialogId));
    } else if (auto* group = qobject_cast<QGroupBox*>(child)) {
      group->setTitle(Translated(*localizer_, group->title(), dialogId));
    }
  }
}

void InterfaceLanguage::BuildMenu(QMenu* menu, const std::vector<MenuEntry>& entries, int menuId,
                                  const std::function<void(int)>& onCommand) {
  for (const MenuEntry& entry : entries) {
    switch (entry.kind) {
      case MenuEntry::Kind::Separator:
        menu->addSeparator();
        break;
      case MenuEntry::Kind::Popup: {
        QMenu* sub = menu->addMenu(ToQString(entry.text));
        sub->menuAction()->setProperty(kEnglishProperty, ToQString(entry.text));
        sub->menuAction()->setProperty(kMenuIdProperty, menuId);
        BuildMenu(sub, entry.children, menuId, onCommand);
        break;
      }
      case MenuEntry::Kind::Item: {
        QAction* action = menu->addAction(ToQString(entry.text));
        action->setData(entry.command);
        action->setCheckable(entry.checkable);
        action->setProperty(kEnglishProperty, ToQString(entry.text));
        action->setProperty(kMenuIdProperty, menuId);
        const int command = entry.command;
        QObject::connect(action, &QAction::triggered, menu, [onCommand, command] {
          if (onCommand) onCommand(command);
        });
        break;
      }
    }
  }
  RetranslateActions(*localizer_, menu->actions());
}

void InterfaceLanguage::BuildMenuBar(QMenuBar* bar, const std::vector<MenuEntry>& entries,
                                     int menuId, const std::function<void(int)>& onCommand) {
  for (const MenuEntry& entry : entries) {
    if (entry.kind != MenuEntry::Kind::Popup) continue;  // the bar holds popups only
    QMenu* menu = bar->addMenu(ToQString(entry.text));
    menu->menuAction()->setProperty(kEnglishProperty, ToQString(entry.text));
    menu->menuAction()->setProperty(kMenuIdProperty, menuId);
    BuildMenu(menu, entry.children, menuId, onCommand);
  }
  RetranslateActions(*localizer_, bar->actions());
}

int InterfaceLanguage::PopupMenu(int menuId, const QPoint& at,
                                 const std::function<void(QMenu*)>& prepare,
                                 const std::function<void(int)>& onCommand) {
  const std::vector<MenuEntry>& entries = ProgramMenu(menuId);
  if (entries.empty()) return 0;
  QMenu menu;
  // A context menu's resource holds one popup whose items are the menu.
  for (const MenuEntry& entry : entries)
    if (entry.kind == MenuEntry::Kind::Popup) BuildMenu(&menu, entry.children, menuId, {});
  if (prepare) prepare(&menu);
  QAction* chosen = menu.exec(at);
  const int command = chosen != nullptr ? chosen->data().toInt() : 0;
  if (command != 0 && onCommand) onCommand(command);
  return command;
}

void InterfaceLanguage::RetranslateMenu(QWidget* menuOrBar) {
  if (menuOrBar != nullptr) RetranslateActions(*localizer_, menuOrBar->actions());
}

QString InterfaceLanguage::Text(int stringId) {
  return ToQString(localizer_->LocalizedText(stringId));
}

}  // namespace meridiana
