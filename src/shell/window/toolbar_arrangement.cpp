#include "shell/window/toolbar_arrangement.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <algorithm>
#include <cstdlib>

#include "foundation/key_value_store.h"

namespace meridiana {
namespace {

constexpr char kHiddenValue[] = "hidden";

std::vector<int> CommandsOf(const QToolBar* toolbar) {
  std::vector<int> commands;
  for (const QAction* action : toolbar->actions())
    if (!action->isSeparator()) commands.push_back(action->data().toInt());
  return commands;
}

// A separator is shown only between two groups that each keep a visible button.
void PlaceSeparators(QToolBar* toolbar) {
  bool visibleBefore = false;
  QAction* pending = nullptr;
  for (QAction* action : toolbar->actions()) {
    if (action->isSeparator()) {
      action->setVisible(false);
      if (visibleBefore) pending = action;
      continue;
    }
    if (!action->isVisible()) continue;
    if (pending != nullptr) pending->setVisible(true);
    pending = nullptr;
    visibleBefore = true;
  }
}

void Save(const QToolBar* toolbar, KeyValueStore& store, const std::string& key) {
  std::vector<int> hidden;
  for (const QAction* action : toolbar->actions())
    if (!action->isSeparator() && !action->isVisible()) hidden.push_back(action->data().toInt());
  store.Write(Hive::CurrentUser, key, kHiddenValue, HiddenButtonsText(hidden));
}

}  // namespace

std::string ToolbarKeyPath(std::string_view displayName, int toolbarId) {
  return "Software\\Quillary\\" + std::string(displayName) + "\\Toolbar\\" +
         std::to_string(toolbarId);
}

std::string HiddenButtonsText(const std::vector<int>& hidden) {
  std::string text;
  for (int command : hidden) {
    if (!text.empty()) text += ',';
    text += std::to_string(command);
  }
  return text;
}

std::vector<int> ParseHiddenButtons(std::string_view text, const std::vector<int>& known) {
  std::vector<int> hidden;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const int command = std::atoi(std::string(text.substr(0, comma)).c_str());
    if (std::find(known.begin(), known.end(), command) != known.end() &&
        std::find(hidden.begin(), hidden.end(), command) == hidden.end())
      hidden.push_back(command);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return hidden;
}

void ApplyToolbarArrangement(QToolBar* toolbar, const KeyValueStore& store,
                             std::string_view displayName, int toolbarId) {
  if (toolbar == nullptr) return;
  const std::optional<std::string> text =
      store.Read(Hive::CurrentUser, ToolbarKeyPath(displayName, toolbarId), kHiddenValue);
  const std::vector<int> hidden = ParseHiddenButtons(text.value_or(""), CommandsOf(toolbar));
  for (QAction* action : toolbar->actions()) {
    if (action->isSeparator()) continue;
    const int command = action->data().toInt();
    action->setVisible(std::find(hidden.begin(), hidden.end(), command) == hidden.end());
  }
  PlaceSeparators(toolbar);
}

void EnableToolbarCustomisation(QToolBar* toolbar, KeyValueStore* store, std::string displayName,
                                int toolbarId) {
  if (toolbar == nullptr) return;
  toolbar->setContextMenuPolicy(Qt::CustomContextMenu);
  const std::string key = ToolbarKeyPath(displayName, toolbarId);
  QObject::connect(toolbar, &QToolBar::customContextMenuRequested, toolbar,
                   [toolbar, store, key](const QPoint& at) {
                     QMenu menu;
                     for (QAction* button : toolbar->actions()) {
                       if (button->isSeparator()) {
                         menu.addSeparator();
                         continue;
                       }
                       QAction* item = menu.addAction(button->icon(), button->toolTip());
                       item->setCheckable(true);
                       item->setChecked(button->isVisible());
                       QObject::connect(item, &QAction::toggled, button,
                                        [toolbar, button](bool on) {
                                          button->setVisible(on);
                                          PlaceSeparators(toolbar);
                                        });
                     }
                     menu.exec(toolbar->mapToGlobal(at));
                     if (store != nullptr) Save(toolbar, *store, key);
                   });
}

}  // namespace meridiana
