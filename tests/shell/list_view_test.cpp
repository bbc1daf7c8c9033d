#include "shell/dialogs/list_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QStringList>

#include "foundation/localized_strings.h"
#include "foundation/memory_key_value_store.h"
#include "qt_test_app.h"
#include "resources/embedded.h"
#include "shell/app/interface_language.h"

namespace meridiana {
namespace {

const QStringList kCities = {"oslo", "Bergen", "Alta"};

TEST(ListView, TitlesSortingAndTheRememberedLayout) {
  MemoryKeyValueStore store;
  Localizer localizer(ParseStringTable("1387\tCity\n1388\tCountry\n1389\tState\n"));
  InterfaceLanguage language(&localizer, {});
  const std::vector<ListColumn> three = {{1387, 100}, {1389, 100}, {1388, 80}};
  {
    ListView list(103, 1015, three, "Quillary Meridiana", &store, &language);
    EXPECT_EQ(list.model()->headerData(2, Qt::Horizontal).toString(), "Country");
    list.SetRows(3, [](int row, int column) { return column == 0 ? kCities[row] : QString("x"); });
    EXPECT_EQ(list.DisplayedText(0, 0), "oslo");  // list order until a column is clicked
    list.sortByColumn(0, Qt::AscendingOrder);
    EXPECT_EQ(list.DisplayedText(0, 0), "Alta");
    EXPECT_EQ(list.DisplayedText(2, 0), "oslo");  // ignoring case
    list.sortByColumn(0, Qt::DescendingOrder);
    list.SetRows(3, [](int row, int) { return kCities[row]; });  // a refill keeps the order
    EXPECT_EQ(list.DisplayedText(0, 0), "oslo");
    list.header()->resizeSection(1, 140);
    list.header()->moveSection(2, 0);
  }
  {
    ListView again(103, 1015, three, "Quillary Meridiana", &store, &language);
    EXPECT_EQ(again.header()->sectionSize(1), 140);
    EXPECT_EQ(again.header()->visualIndex(2), 0);
  }
  // A column fewer: the saved layout does not fit and the defaults apply.
  ListView fewer(103, 1015, {{1387, 100}, {1388, 80}}, "Quillary Meridiana", &store, &language);
  EXPECT_EQ(fewer.header()->sectionSize(1), 80);
  EXPECT_EQ(fewer.header()->visualIndex(1), 1);
}

TEST(ListView, AnAbsentTextSortsFirstAndRowsKeepTheirNumbersWhenSorted) {
  Localizer localizer(ParseStringTable("1387\tCity\n1389\tState\n"));
  InterfaceLanguage language(&localizer, {});
  ListView list(103, 1015, {{1387, 100}, {1389, 100}}, "Quillary Meridiana", nullptr, &language);
  const QStringList states = {"texas", "", "Alaska"};
  list.SetRows(3, [&](int row, int column) { return column == 0 ? kCities[row] : states[row]; });
  list.sortByColumn(1, Qt::AscendingOrder);
  EXPECT_EQ(list.DisplayedText(0, 1), "");
  EXPECT_EQ(list.DisplayedText(1, 1), "Alaska");
  // The row shown first is still row 1 of the owner's numbering.
  list.SelectRow(1);
  EXPECT_EQ(list.selectedRow(), 1);
  EXPECT_EQ(list.currentIndex().row(), 0);
  EXPECT_TRUE(list.SelectNextStartingWith('O'));  // "oslo", ignoring letter case
  EXPECT_EQ(list.selectedRow(), 0);
  EXPECT_FALSE(list.SelectNextStartingWith('z'));
  EXPECT_EQ(list.selectedRow(), 0);
}

TEST(ListView, TitlesFollowALanguageSwitchWhileTheListIsOpen) {
  Localizer localizer(ParseStringTable(resources::StringTableText()));
  InterfaceLanguage language(&localizer, {MERIDIANA_STAGE_DIR});
  {
    ListView list(103, 1015, {{1387, 100}}, "Quillary Meridiana", nullptr, &language);
    EXPECT_EQ(list.model()->headerData(0, Qt::Horizontal).toString(), "City");
    language.Apply("de");
    EXPECT_EQ(list.model()->headerData(0, Qt::Horizontal).toString(), "Stadt");
  }
  language.Apply("");  // the list is gone: nobody is told about it any more
  ListView later(103, 1015, {{1387, 100}}, "Quillary Meridiana", nullptr, &language);
  EXPECT_EQ(later.model()->headerData(0, Qt::Horizontal).toString(), "City");
}

// Long names are shown whole on first use; a width the user set, now or in an earlier run, stays.
TEST(ListView, ColumnsFitTheirTextsUntilTheUserOrAKeptLayoutSetsThem) {
  MemoryKeyValueStore store;
  Localizer localizer(ParseStringTable("1387\tCity\n1389\tState\n"));
  InterfaceLanguage language(&localizer, {});
  const std::vector<ListColumn> two = {{1387, 100}, {1389, 100}};
  const QStringList longNames = {"Sault Sainte Marie", "Llanfairpwllgwyngyll", "Ely"};
  const auto names = [](const QStringList& list) {
    return [list](int row, int column) { return column == 0 ? list[row] : QString("ON"); };
  };
  const auto shownWhole = [](const ListView& view, const QString& text) {
    return view.header()->sectionSize(0) > view.fontMetrics().horizontalAdvance(text);
  };
  {
    ListView list(103, 1015, two, "Quillary Meridiana", &store, &language);
    list.FitColumnsToContents();
    list.resize(400, 300);
    list.show();
    QApplication::processEvents();  // the stretched last column takes the rest of the width
    list.resize(500, 300);
    QApplication::processEvents();
    EXPECT_EQ(list.header()->sectionSize(0), 100);  // nothing to fit yet
    list.SetRows(3, names(longNames));
    EXPECT_TRUE(shownWhole(list, "Llanfairpwllgwyngyll")) << list.header()->sectionSize(0);
    list.SetRows(1, names({"Ely"}));
    EXPECT_EQ(list.header()->sectionSize(0), 100);  // short names: the default width again
    list.header()->resizeSection(0, 60);            // the user's width wins from now on
    list.SetRows(3, names(longNames));
    EXPECT_EQ(list.header()->sectionSize(0), 60);
  }
  ListView again(103, 1015, two, "Quillary Meridiana", &store, &language);
  again.FitColumnsToContents();
  again.SetRows(3, names(longNames));
  EXPECT_EQ(again.header()->sectionSize(0), 60);
}

}  // namespace
}  // namespace meridiana
