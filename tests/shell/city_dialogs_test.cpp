// The City Selector and the Properties dialog on the shipped tables, and the main window's city
// commands that open them.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <tuple>

#include "foundation/clock.h"
#include "foundation/localized_strings.h"
#include "foundation/memory_key_value_store.h"
#include "qt_test_app.h"
#include "resources/embedded.h"
#include "shell/app/ids.h"
#include "shell/app/interface_language.h"
#include "shell/app/qt_text.h"
#include "shell/app/settings.h"
#include "shell/dialogs/city_name_field.h"
#include "shell/dialogs/city_selector.h"
#include "shell/dialogs/list_view.h"
#include "shell/dialogs/meeting_planner.h"
#include "shell/dialogs/properties_dialog.h"
#include "shell/window/main_window.h"
#include "support/shipped_world.h"
#include "world/locale_info.h"
#include "world/place_names.h"
#include "world/solar_texts.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

using test::ShippedWorld;

int RowShowing(const ListView& list, const QString& text) {
  for (int row = 0; row < list.rowCount(); ++row)
    if (list.DisplayedText(row, 0) == text) return row;
  return -1;
}

// What the view tells after a double click on a shown row.
void DoubleClickShownRow(ListView& list, int shownRow) {
  emit list.doubleClicked(list.model()->index(shownRow, 0));
}

class CitySelectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    world_ = ShippedWorld();
    CitySelectorDialog::Context context;
    context.world = &world_;
    context.store = &store_;
    context.language = &language_;
    context.marksChanged = [this] { ++repaints_; };
    dialog_ = std::make_unique<CitySelectorDialog>(std::move(context));
    dialog_->resize(600, 400);
    dialog_->show();
  }
  void ChooseCountry(const QString& country) {
    ListView& countries = *dialog_->countryList();
    const int shown = RowShowing(countries, country);
    ASSERT_GE(shown, 0) << country.toStdString();
    countries.setCurrentIndex(countries.model()->index(shown, 0));
  }
  const City* Named(std::string_view name) const {
    for (const City& city : world_.cities)
      if (WithoutTrailingBlanks(city.name) == name) return &city;
    return nullptr;
  }

  WorldData world_;
  MemoryKeyValueStore store_;
  Localizer localizer_{ParseStringTable(resources::StringTableText())};
  InterfaceLanguage language_{&localizer_, {}};
  std::unique_ptr<CitySelectorDialog> dialog_;
  int repaints_ = 0;
};

TEST_F(CitySelectorTest, CountriesSortedAndTheCitiesOfTheChosenOneSortableByState) {
  ListView& countries = *dialog_->countryList();
  ListView& cities = *dialog_->cityList();
  // In the order of English dictionaries: "Curaçao" before "Cyprus", "Åland" among the A's.
  const PlaceCollator english("en");
  for (int row = 1; row < countries.rowCount(); ++row) {
    EXPECT_FALSE(english.Less(ToUtf8(countries.DisplayedText(row, 0)),
                              ToUtf8(countries.DisplayedText(row - 1, 0))));
  }
  EXPECT_EQ(cities.rowCount(), 0);  // until a country is chosen

  ChooseCountry("United States");
  ASSERT_GT(cities.rowCount(), 20);
  for (int row = 1; row < cities.rowCount(); ++row) {
    EXPECT_LE(
        cities.DisplayedText(row - 1, 0).compare(cities.DisplayedText(row, 0), Qt::CaseInsensitive),
        0);
  }
  // Sorted by State, descending after a second click; a refill for another country keeps it.
  cities.header()->setSortIndicator(1, Qt::AscendingOrder);
  const QString firstState = cities.DisplayedText(0, 1);
  cities.header()->setSortIndicator(1, Qt::DescendingOrder);
  EXPECT_GT(cities.DisplayedText(0, 1).compare(firstState, Qt::CaseInsensitive), 0);
  ChooseCountry("Australia");
  for (int row = 1; row < cities.rowCount(); ++row) {
    EXPECT_GE(
        cities.DisplayedText(row - 1, 1).compare(cities.DisplayedText(row, 1), Qt::CaseInsensitive),
        0);
  }
}

TEST_F(CitySelectorTest, DoubleClicksMarkAndUnmarkAndTypingFindsTheNextInitial) {
  ChooseCountry("Japan");
  ListView& cities = *dialog_->cityList();
  const int tokyo = RowShowing(cities, "Tokyo");
  ASSERT_GE(tokyo, 0);
  DoubleClickShownRow(cities, tokyo);
  EXPECT_TRUE(Named("Tokyo")->marked);
  EXPECT_EQ(repaints_, 1);
  DoubleClickShownRow(cities, tokyo);
  EXPECT_FALSE(Named("Tokyo")->marked);
  EXPECT_EQ(repaints_, 2);

  // A letter selects the next city beginning with it, wrapping once, ignoring case.
  cities.setFocus();
  QTest::keyClick(&cities, Qt::Key_T);
  const int first = cities.selectedRow();
  ASSERT_GE(first, 0);
  EXPECT_TRUE(ToQString(dialog_->CityOfRow(first).name).startsWith('T'));
  QTest::keyClick(&cities, Qt::Key_T);
  EXPECT_NE(cities.selectedRow(), first);
  QTest::keyClick(&cities, Qt::Key_Q);  // no Japanese city begins with Q here
  EXPECT_TRUE(ToQString(dialog_->CityOfRow(cities.selectedRow()).name).startsWith('T'));
}

// Typing offers the search's matches, best first; picking one from the popup selects its country
// and itself; Enter marks it and the dialog stays; a text nothing matches says so.
TEST_F(CitySelectorTest, SearchFieldOffersPicksAndMarks) {
  CityNameField& search = *dialog_->search();
  const struct {
    const char* typed;
    const char* offered;  // the popup's first row, "" for none
    const char* country;
  } cases[] = {
      {"reykj", "Reykjavík, Capital Region, Iceland", "Iceland"},
      {"sao pa", "São Paulo, São Paulo, Brazil", "Brazil"},
      {"ZURICH", "Zürich, Zurich, Switzerland", "Switzerland"},
      {"xqzv", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    search.clear();
    search.edit()->setFocus();
    QTest::keyClicks(search.edit(), QString::fromUtf8(c.typed));
    QAbstractItemModel* offered = search.completer()->completionModel();
    if (*c.offered == '\0') {
      EXPECT_EQ(offered->rowCount(), 0);
      EXPECT_FALSE(search.noMatchLine()->isHidden());
      EXPECT_EQ(search.noMatchLine()->text().toStdString(),
                std::string("No city matches “") + c.typed + "”.");
      QTest::keyClick(search.edit(), Qt::Key_Return);
      EXPECT_TRUE(dialog_->isVisible());
      continue;
    }
    ASSERT_GT(offered->rowCount(), 0);
    EXPECT_EQ(offered->index(0, 0).data().toString().toStdString(), c.offered);
    EXPECT_TRUE(search.noMatchLine()->isHidden());
    QAbstractItemView* popup = search.completer()->popup();
    popup->setCurrentIndex(offered->index(0, 0));
    QTest::keyClick(popup, Qt::Key_Return);
    const City& city = dialog_->CityOfRow(dialog_->cityList()->selectedRow());
    EXPECT_EQ(search.NamedCity(), &city);
    EXPECT_EQ(dialog_->countryList()->DisplayedText(
                  RowShowing(*dialog_->countryList(), QString::fromUtf8(c.country)), 0),
              QString::fromUtf8(c.country));
    EXPECT_EQ(*CountryOfCity(world_, city), c.country);
    EXPECT_FALSE(city.marked);
    const int before = repaints_;
    QTest::keyClick(search.edit(), Qt::Key_Return);
    EXPECT_TRUE(city.marked);
    EXPECT_EQ(repaints_, before + 1);
    EXPECT_TRUE(dialog_->isVisible());  // Enter is the field's, not the OK button's
  }
}

TEST_F(CitySelectorTest, OkMarksTheSelectedCityOnlyWhenThereIsOne) {
  ChooseCountry("Japan");
  dialog_->accept();
  EXPECT_EQ(repaints_, 0);
  for (const City& city : world_.cities) ASSERT_FALSE(city.marked);

  dialog_->show();
  ListView& cities = *dialog_->cityList();
  cities.SelectRow(0);
  dialog_->accept();
  EXPECT_TRUE(dialog_->CityOfRow(0).marked);
  EXPECT_EQ(repaints_, 1);
}

TEST_F(CitySelectorTest, CheckBoxesAndCountryDoubleClicksFlipThePickedFlags) {
  ChooseCountry("Japan");
  ListView& countries = *dialog_->countryList();
  const int japan = RowShowing(countries, "Japan");
  DoubleClickShownRow(countries, japan);
  bool picked = false;
  for (const Zone& zone : world_.zones) picked = picked || (zone.country == "Japan" && zone.picked);
  EXPECT_TRUE(picked);
  EXPECT_EQ(countries.model()->index(japan, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);

  ListView& cities = *dialog_->cityList();
  const QModelIndex first = cities.model()->index(0, 0);
  cities.setCurrentIndex(first);
  const int row = cities.selectedRow();
  ASSERT_GE(row, 0);
  ASSERT_TRUE(cities.model()->setData(first, Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(dialog_->CityOfRow(row).picked);
  EXPECT_EQ(first.data(Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_FALSE(dialog_->CityOfRow(row).marked);  // picking is not marking
}

class PropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    world_ = ShippedWorld();
  }
  City& Named(std::string_view name) {
    for (City& city : world_.cities)
      if (WithoutTrailingBlanks(city.name) == name) return city;
    ADD_FAILURE() << name;
    return world_.cities.front();
  }
  WorldData world_;
  FixedClock clock_{UtcFromCalendar(2026, 7, 1, 12, 0, 0)};
  FixedLocaleInfo locale_{"/"};
};

TEST_F(PropertiesTest, RefillingForACityWithoutSavingEmptiesTheDatesAndRetitles) {
  std::vector<std::pair<std::string, std::string>> opened;
  int repaints = 0;
  PropertiesDialog::Context context;
  context.world = &world_;
  context.clock = &clock_;
  context.locale = &locale_;
  context.marksChanged = [&] { ++repaints; };
  context.openLink = [&](std::string_view link, const City& city) {
    opened.emplace_back(std::string(link), std::string(WithoutTrailingBlanks(city.name)));
  };
  PropertiesDialog dialog(std::move(context));
  City& paris = Named("Paris");
  dialog.Fill(paris, {0, 0});
  EXPECT_EQ(dialog.windowTitle(), "Paris");
  EXPECT_EQ(dialog.FieldText(1010), "France");
  EXPECT_EQ(dialog.FieldText(1013), "48.85");
  EXPECT_FALSE(dialog.FieldText(1017).isEmpty());  // this year's change dates
  EXPECT_FALSE(dialog.FieldText(1016).isEmpty());
  EXPECT_EQ(dialog.FieldText(1015), "33");

  dialog.Fill(Named("Tokyo"), {0, 0});
  EXPECT_EQ(dialog.windowTitle(), "Tokyo");
  EXPECT_EQ(dialog.FieldText(1010), "Japan");
  EXPECT_TRUE(dialog.FieldText(1017).isEmpty());
  EXPECT_TRUE(dialog.FieldText(1016).isEmpty());

  // Mark toggles the shown city and repaints; the link buttons name their link.
  dialog.findChild<QPushButton*>("control1018")->click();
  EXPECT_TRUE(Named("Tokyo").marked);
  EXPECT_FALSE(paris.marked);
  EXPECT_EQ(repaints, 1);
  for (int id : {1035, 1036, 1037, 1039})
    dialog.findChild<QPushButton*>(QStringLiteral("control%1").arg(id))->click();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"hotels", "Tokyo"}, {"weather", "Tokyo"}, {"books", "Tokyo"}, {"sat", "Tokyo"}};
  EXPECT_EQ(opened, expected);
}

TEST_F(PropertiesTest, LocalTimeRunsOnAndClockSunTimesStandBesideTheGeometricOnes) {
  PropertiesDialog::Context context;
  context.world = &world_;
  context.clock = &clock_;
  context.locale = &locale_;
  PropertiesDialog dialog(std::move(context));
  // Berlin's zone file gives its clock whatever the picture says: CEST, two hours on UTC.
  dialog.Fill(Named("Berlin"), {0, 0});
  EXPECT_EQ(dialog.FieldText(1020), "07/01/26 14:00:00");
  EXPECT_EQ(dialog.FieldText(1019), "30");  // the area code without the table's leading blank
  const QString geometricRise = dialog.FieldText(1012);
  // Clock times: the saving added, so sunrise comes an hour and some minutes after the
  // geometric figure in standard time; hours and minutes only.
  const QString clockRise = dialog.FieldText(1602);
  ASSERT_EQ(clockRise.size(), 5) << clockRise.toStdString();
  const int geometric = geometricRise.left(2).toInt() * 60 + geometricRise.mid(3, 2).toInt();
  const int clock = clockRise.left(2).toInt() * 60 + clockRise.mid(3, 2).toInt();
  EXPECT_GT(clock - geometric, 50);
  EXPECT_LT(clock - geometric, 60);
  EXPECT_EQ(dialog.FieldText(1603).size(), 5);
  // Berlin on 1 July: civil dawn and dusk are times, before sunrise and after sunset; the Sun
  // never gets 18 degrees down, so astronomical twilight reads as words in both fields.
  const QString civilDawn = dialog.FieldText(1620);
  ASSERT_EQ(civilDawn.size(), 5) << civilDawn.toStdString();
  EXPECT_LT(civilDawn, clockRise);
  EXPECT_GT(dialog.FieldText(1621), dialog.FieldText(1603));
  EXPECT_EQ(dialog.FieldText(1624).toStdString(), kAboveMinus18);
  EXPECT_EQ(dialog.FieldText(1625).toStdString(), kAboveMinus18);

  clock_.Set(clock_.Now() + 61);
  dialog.RefreshLocalTime();
  EXPECT_EQ(dialog.FieldText(1020), "07/01/26 14:01:01");
  EXPECT_EQ(dialog.FieldText(1012), geometricRise);  // only the clock runs on
}

// A main window on the shipped world, in the staged languages, which load the places' names as
// the program's do.
struct CityWindow {
  static MainWindow::Context ContextFor(CityWindow& w) {
    test::QtApp();
    w.language.AddListener(
        [&w] { LoadPlaceNames(w.world, w.language.selectedCode(), {MERIDIANA_STAGE_DIR}); });
    MainWindow::Context context;
    context.language = &w.language;
    context.settings = &w.settings;
    context.world = &w.world;
    context.clock = &w.clock;
    context.locale = &w.locale;
    return context;
  }
  WorldData world = ShippedWorld();
  Settings settings;
  FixedClock clock{UtcFromCalendar(2026, 7, 1, 12, 0, 0)};
  FixedLocaleInfo locale{"/"};
  Localizer localizer{ParseStringTable(resources::StringTableText())};
  InterfaceLanguage language{&localizer, {MERIDIANA_STAGE_DIR}};
  MainWindow window{ContextFor(*this)};
};

TEST(CityCommands, OneSelectorOneModelessPropertiesAndClearingTheMarks) {
  CityWindow shown;
  MainWindow& window = shown.window;
  WorldData& world = shown.world;
  Settings& settings = shown.settings;
  std::vector<std::string> links;
  window.SetLinkOpener([&](std::string_view link, const City* city) {
    links.push_back(std::string(link) + (city != nullptr ? " city" : " none"));
  });

  ASSERT_TRUE(window.OnCommand(40001));
  CitySelectorDialog* selector = window.citySelector();
  ASSERT_NE(selector, nullptr);
  EXPECT_TRUE(window.OnCommand(40001));
  EXPECT_EQ(window.citySelector(), selector);  // shown again, not made twice

  // Properties: the one modeless dialog is filled again for the next city asked for.
  ASSERT_TRUE(window.OnCommand(40002));
  PropertiesDialog* properties = window.properties();
  ASSERT_NE(properties, nullptr);
  const City* first = properties->city();
  ASSERT_NE(first, nullptr);
  window.mapView().scrollX = 500;  // the map's corner is somewhere else now
  window.OnCommand(40002);
  EXPECT_EQ(window.properties(), properties);

  // A mark comes with the marked cities' layer; Clear City Selection takes every mark away.
  EXPECT_EQ(settings.marked, 0);
  selector->countryList()->setCurrentIndex(selector->countryList()->model()->index(0, 0));
  selector->cityList()->SelectRow(0);
  selector->accept();
  EXPECT_TRUE(selector->CityOfRow(0).marked);
  EXPECT_EQ(settings.marked, 1);
  SetMarked(world.cities[7], true);
  const auto markedNow = [&world] {
    std::vector<std::size_t> marked;
    for (std::size_t i = 0; i < world.cities.size(); ++i)
      if (world.cities[i].marked) marked.push_back(i);
    return marked;
  };
  const std::vector<std::size_t> before = markedNow();
  ASSERT_EQ(before.size(), 2u);
  const auto undoEnabled = [&window] {
    for (QAction* action : window.menuBar()->findChildren<QAction*>())
      if (action->data().toInt() == 40035) return action->isEnabled();
    ADD_FAILURE() << "no Undo Clear City Selection item";
    return false;
  };
  EXPECT_FALSE(undoEnabled());  // nothing cleared yet
  EXPECT_TRUE(window.OnCommand(40031));
  EXPECT_TRUE(markedNow().empty());
  EXPECT_TRUE(undoEnabled());
  // A second Clear finds nothing and must not forget what the first one took.
  EXPECT_TRUE(window.OnCommand(40031));
  EXPECT_TRUE(window.OnCommand(40035));
  EXPECT_EQ(markedNow(), before);
  EXPECT_FALSE(undoEnabled());
  EXPECT_TRUE(window.OnCommand(40035));  // once only: nothing more comes back
  EXPECT_EQ(markedNow(), before);
  window.OnCommand(40031);

  // The links: the satellite view without a city, FAQ for the city under the pointer if any.
  EXPECT_TRUE(window.OnCommand(40029));
  EXPECT_TRUE(window.OnCommand(163));
  EXPECT_EQ(links, (std::vector<std::string>{"sat none", "faq none"}));
  EXPECT_FALSE(window.OnCommand(39999));
}

// A switch of language while the selector, Properties and the planner are open renames their
// places at once, keeps what was chosen, and sorts as the new language sorts.
TEST(CityCommands, OpenDialogsTakeTheNamesOfANewLanguage) {
  CityWindow shown;
  MainWindow& window = shown.window;
  ASSERT_TRUE(window.OnCommand(40001));
  CitySelectorDialog& selector = *window.citySelector();
  ListView& countries = *selector.countryList();
  ListView& cities = *selector.cityList();
  countries.setCurrentIndex(countries.model()->index(RowShowing(countries, "Germany"), 0));
  cities.setCurrentIndex(cities.model()->index(RowShowing(cities, "Munich"), 0));
  City& munich = selector.CityOfRow(cities.selectedRow());
  ASSERT_TRUE(window.OnCommand(ids::kCmdMeetingPlanner));
  QTableWidget& planner = *window.meetingPlanner()->table();
  ASSERT_TRUE(window.meetingPlanner()->AddCity(&munich));
  ASSERT_TRUE(window.OnCommand(40002));
  window.properties()->Fill(munich, MapPoint{});

  for (const auto& [code, country, city] :
       {std::tuple{"de", "Deutschland", "München"}, std::tuple{"", "Germany", "Munich"}}) {
    SCOPED_TRACE(code);
    shown.language.Apply(code);
    EXPECT_EQ(countries.currentIndex().data().toString(), QString::fromUtf8(country));
    EXPECT_EQ(cities.currentIndex().data().toString(), QString::fromUtf8(city));
    EXPECT_EQ(planner.verticalHeaderItem(planner.rowCount() - 1)->text(), QString::fromUtf8(city));
    EXPECT_EQ(window.properties()->FieldText(1009), QString::fromUtf8(city));
    if (*code == 'd') {  // German puts Ö among the O's
      EXPECT_LT(RowShowing(countries, "Oman"),
                RowShowing(countries, QString::fromUtf8("Österreich")));
      EXPECT_LT(RowShowing(countries, QString::fromUtf8("Österreich")),
                RowShowing(countries, "Pakistan"));
    }
  }
}

}  // namespace
}  // namespace meridiana
