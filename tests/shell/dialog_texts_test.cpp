// Every dialog laid out in every shipped language, as a user opens it: a label shows its "&"
// unless it has a buddy to hand the mnemonic to, and a window title never interprets one.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QTreeWidget>
#include <memory>

#include "foundation/clock.h"
#include "foundation/localized_strings.h"
#include "foundation/memory_key_value_store.h"
#include "qt_test_app.h"
#include "resources/embedded.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"
#include "shell/dialogs/city_selector.h"
#include "shell/dialogs/dialog_host.h"
#include "shell/dialogs/link_actions.h"
#include "shell/dialogs/preferences_dialog.h"
#include "shell/dialogs/properties_dialog.h"
#include "support/shipped_world.h"
#include "world/locale_info.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

// The texts of window that would show a literal "&" (or a stray marker): labels without a
// buddy, and every title.
QStringList VisibleAmpersands(QWidget* window) {
  QStringList found;
  if (window->windowTitle().contains('&')) found << "title " + window->windowTitle();
  for (QLabel* label : window->findChildren<QLabel*>()) {
    if (label->textFormat() == Qt::RichText || Qt::mightBeRichText(label->text())) continue;
    if (label->text().contains('&') && label->buddy() == nullptr)
      found << label->objectName() + " " + label->text();
  }
  // A button or group box shows "&&" as "&" on purpose; a lone "&" at the end would show.
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
    if (button->text().endsWith('&') && !button->text().endsWith("&&"))
      found << button->objectName() + " " + button->text();
  for (QGroupBox* group : window->findChildren<QGroupBox*>())
    if (group->title().endsWith('&') && !group->title().endsWith("&&"))
      found << group->objectName() + " " + group->title();
  return found;
}

const WorldData& World() { return test::ShippedWorld(); }

TEST(DialogTexts, NoDialogShowsAMnemonicMarkerInAnyLanguage) {
  test::QtApp();
  Localizer localizer(ParseStringTable(resources::StringTableText()));
  InterfaceLanguage language(&localizer, {MERIDIANA_STAGE_DIR});
  WorldData world = World();
  ASSERT_FALSE(world.cities.empty());
  const FixedClock clock(UtcFromCalendar(2026, 12, 9, 12, 0, 0));
  const FixedLocaleInfo locale("/");
  MemoryKeyValueStore store;
  store.Write(Hive::LocalMachine, kAppKey, "weather", "https://w.example/%LAT%,%LONG%");
  LinkActions::Context linkContext;
  linkContext.store = &store;
  linkContext.world = &world;
  linkContext.clock = &clock;
  linkContext.language = &language;
  LinkActions links(std::move(linkContext));
  int languages = 0;
  for (const LanguageCommand& choice : kLanguageCommands) {
    language.Apply(choice.code);
    ASSERT_EQ(language.selectedCode(), choice.code);
    ++languages;
    std::vector<std::pair<QString, std::unique_ptr<QWidget>>> dialogs;

    // Preferences translates itself as it is made; the others as ShowDialog shows them.
    dialogs.emplace_back(
        "Preferences", std::make_unique<PreferencesDialog>(PreferenceValues{},
                                                           std::vector<std::string>{}, &language));
    CitySelectorDialog::Context selector;
    selector.world = &world;
    selector.store = &store;
    selector.language = &language;
    auto citySelector = std::make_unique<CitySelectorDialog>(std::move(selector));
    ShowDialog(nullptr, citySelector.get(), ids::kCitySelectorDialog, "Quillary Meridiana", nullptr,
               false, &language, 0, 0);
    dialogs.emplace_back("City Selector", std::move(citySelector));
    PropertiesDialog::Context properties;
    properties.world = &world;
    properties.clock = &clock;
    properties.locale = &locale;
    auto propertiesDialog = std::make_unique<PropertiesDialog>(std::move(properties));
    propertiesDialog->Fill(world.cities.front(), {0, 0});
    ShowDialog(nullptr, propertiesDialog.get(), ids::kPropertiesDialog, "Quillary Meridiana",
               nullptr, false, &language, 0, 0);
    dialogs.emplace_back("Properties", std::move(propertiesDialog));

    links.OpenWeather(&world.cities.front());
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (widget->objectName() == "dialog8003" && widget->isVisible())
        dialogs.emplace_back("Weather Forecast", std::unique_ptr<QWidget>(widget));
    ASSERT_EQ(dialogs.size(), 4u);

    for (auto& [name, dialog] : dialogs) {
      dialog->adjustSize();
      for (const QString& text : VisibleAmpersands(dialog.get()))
        ADD_FAILURE() << "language '" << choice.code << "', " << ToUtf8(name) << ": "
                      << ToUtf8(text);
      dialog->hide();
    }
    // The Preferences pages' names show whole, none cut to "...".
    auto* pages = dialogs.front().second->findChild<QTreeWidget*>();
    ASSERT_NE(pages, nullptr);
    dialogs.front().second->show();
    for (int page = 0; page < pages->topLevelItemCount(); ++page) {
      const QRect shown = pages->visualItemRect(pages->topLevelItem(page));
      const QString text = pages->topLevelItem(page)->text(0);
      EXPECT_GE(shown.width(), pages->fontMetrics().horizontalAdvance(text))
          << "language '" << choice.code << "': " << ToUtf8(text);
    }
    dialogs.front().second->hide();
  }
  EXPECT_EQ(languages, 15);
  language.Apply("");
}

}  // namespace
}  // namespace meridiana
