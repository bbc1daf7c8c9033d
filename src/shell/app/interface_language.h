#pragma once
// Switching the whole interface between English and a language file: menus built from the
// program's menu resources, toolbar tips, status texts and every open dialog follow at once.

#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "foundation/dialog_resource.h"
#include "foundation/localized_strings.h"
#include "foundation/menu_resource.h"

class QAction;
class QPoint;
class QMenu;
class QMenuBar;
class QWidget;

namespace meridiana {

// The languages the Language menu offers: its command, the file code ("" for English), and the
// language's name in itself, which its speakers look for whatever language is showing.
struct LanguageCommand {
  int command;
  const char* code;
  const char* ownName;
};
inline constexpr LanguageCommand kLanguageCommands[] = {
    {3033, "", "English"},         {2362, "jo", "العربية"},     {3060, "cn", "简体中文"},
    {3061, "b5", "繁體中文"},      {537, "cz", "Čeština"},      {1192, "nl", "Nederlands"},
    {3032, "fr", "Français"},      {1193, "de", "Deutsch"},     {538, "gr", "Ελληνικά"},
    {1194, "it", "Italiano"},      {3035, "jp", "日本語"},      {3036, "kr", "한국어"},
    {2365, "pt", "Português"},     {2366, "sp", "Español"},     {2399, "se", "Svenska"},
};
// The language of a Language-menu command, or null for any other command.
const char* LanguageOfCommand(int command);
// A Language-menu item's text: the language's own name, then its name in the interface
// language (menuText, which carries the mnemonic) in parentheses where the two differ; in a
// right-to-left interface the name in the interface language first, the own name after it.
QString LanguageMenuText(int command, const QString& menuText, bool rightToLeft = false);

// The program's menus (resources/menus.txt), read once.
const MenuResource& ProgramMenus();
// The entries of one menu; empty for an unknown id.
const std::vector<MenuEntry>& ProgramMenu(int menuId);
// The program's dialog resources (English), and one of them (empty when there is none).
const DialogResource& ProgramDialog(int dialogId);
// The English text of one of its controls, which the dialog's translation starts from.
QString DialogControlText(int dialogId, int controlId);

// The English text of a string-table entry, for windows made without an interface language.
QString EnglishText(int stringId);

// The default language of this desktop: LC_ALL, else LC_MESSAGES, else LANG.
std::string DesktopDefaultLanguage();

class InterfaceLanguage {
 public:
  // folders: where lang/ is looked for (the user folder, then the installed data).
  InterfaceLanguage(Localizer* localizer, std::vector<std::string> folders);

  // Switches to a language ("" for English), always by way of English, then tells every
  // listener so that menus, tips and status texts are set again; open dialogs are translated
  // here. Nothing happens for English while English is active.
  void Apply(const std::string& chosen);
  // The language the user chose ("" for English).
  const std::string& selectedCode() const { return selected_; }
  // Whether a language file exists for the code (English always does).
  bool Available(const std::string& code) const;

  // The dialog and all its captions in the active language, read from the texts they show.
  void TranslateWindow(QWidget* window, int dialogId);
  // A menu's entries, built with their English texts kept so they can be translated again.
  void BuildMenu(QMenu* menu, const std::vector<MenuEntry>& entries, int menuId,
                 const std::function<void(int)>& onCommand);
  void BuildMenuBar(QMenuBar* bar, const std::vector<MenuEntry>& entries, int menuId,
                    const std::function<void(int)>& onCommand);
  // A context menu from the resources (102, 1009), texts in the active language: prepare may
  // insert, check or remove items before it opens at the point. The chosen command goes to
  // onCommand; the command, or 0 when the menu was dismissed.
  int PopupMenu(int menuId, const QPoint& at, const std::function<void(QMenu*)>& prepare,
                const std::function<void(int)>& onCommand);
  // Sets the texts of a built menu (or menu bar) again in the active language.
  void RetranslateMenu(QWidget* menuOrBar);
  // LocalizedText as a QString.
  QString Text(int stringId);

  Localizer& localizer() { return *localizer_; }
  // Called after every switch, until removed with the id this gives.
  int AddListener(std::function<void()> listener);
  void RemoveListener(int id);

 private:
  void Load(const std::string& code);
  void TranslateOpenWindows();

  Localizer* localizer_;
  std::vector<std::string> folders_;
  std::string selected_;
  std::map<int, std::function<void()>> listeners_;
  int nextListener_ = 1;
};

}  // namespace meridiana
