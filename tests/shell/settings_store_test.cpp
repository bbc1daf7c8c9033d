#include "shell/app/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/file_util.h"
#include "foundation/memory_key_value_store.h"
#include "online/cloud_service.h"
#include "support/recording_notice.h"
#include "support/temp_dir.h"

namespace meridiana {
namespace {

constexpr char kKey[] = "Software\\QUILLARY\\Meridiana";

WorldData Cities() {
  WorldData world;
  world.cities = ParseCities(
      "x\t0\t-89.9\tSpring\r\n"
      "x\t0\t-89.6\tSpringfield (Illinois)\r\n"
      "Berlin\t52.52\t13.40\tBerlin\r\n"
      "Berlin\t48.14\t11.58\tMunich\r\n"
      "New_York\t40.71\t-74.0\tNew York\r\n");
  return world;
}

TEST(SettingsRegistry, ValuesAsTheRegistryReadsThem) {
  MemoryKeyValueStore store;
  SettingsRegistry registry(&store, kKey);
  for (auto [name, value] : {std::pair{"a", "17"},
                             {"b", "abc"},
                             {"c", "12x"},
                             {"d", "123456789012345678901234567890"},
                             {"e", "-3"}})
    store.Write(Hive::CurrentUser, kKey, name, value);
  int v = 99;
  EXPECT_TRUE(registry.ReadIntSetting("a", &v));
  EXPECT_EQ(v, 17);
  EXPECT_TRUE(registry.ReadIntSetting("b", &v));  // not a number: atoi gives 0
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(registry.ReadIntSetting("c", &v));
  EXPECT_EQ(v, 12);
  v = 5;
  EXPECT_FALSE(registry.ReadIntSetting("d", &v));  // 30 characters do not fit the buffer
  EXPECT_FALSE(registry.ReadIntSetting("missing", &v));
  EXPECT_EQ(v, 5);
  store.Write(Hive::CurrentUser, kKey, "long", std::string(10000, 'x'));
  EXPECT_FALSE(registry.ReadTextSetting("long"));
  EXPECT_EQ(registry.ReadTextSetting("a"), "17");
  EXPECT_TRUE(registry.WriteSetting("a", std::nullopt));
  EXPECT_FALSE(registry.ReadTextSetting("a"));
}

TEST(Settings, LoadReadsStoredValuesAndKeepsDefaults) {
  TempDir dir;
  MemoryKeyValueStore store;
  SettingsRegistry registry(&store, kKey);
  for (auto [name, value] : {std::pair{"track", "1"},
                             {"refresh", "0"},
                             {"zoom", "2.5000"},
                             {"shadow", "1"},
                             {"cx", "-40"},
                             {"wallpaperfile", "/w.png"}})
    store.Write(Hive::CurrentUser, kKey, name, value);
  Settings s;
  s.grid = 7;  // absent values keep what the variable held
  std::string language = "x";
  LoadSettings(registry, store, {&s, nullptr, nullptr, &language}, "SE", dir.File("config.ini"));
  EXPECT_EQ(s.track, 40);  // a stored 1 from an older configuration
  EXPECT_EQ(s.refresh, 0);
  EXPECT_FLOAT_EQ(s.zoom, 2.5f);
  EXPECT_EQ(s.shadow, 1);
  EXPECT_EQ(s.cx, -40);
  EXPECT_EQ(s.grid, 7);
  EXPECT_EQ(s.wallpaperFile, "/w.png");
  EXPECT_EQ(s.wallpaperTile, "");
  EXPECT_EQ(language, "SE");  // nothing stored: the default language

  store.Write(Hive::LocalMachine, kCommonKey, "lang", "de");
  LoadSettings(registry, store, {&s, nullptr, nullptr, &language}, "SE", dir.File("config.ini"));
  EXPECT_EQ(language, "de");
}

TEST(Settings, SaveThenLoadGivesTheSameState) {
  TempDir dir;
  MemoryKeyValueStore store;
  SettingsRegistry registry(&store, kKey);
  WorldData world = Cities();
  world.cities[2].marked = world.cities[4].marked = true;
  std::vector<SavedFrame> frames = {{"a", "b", "2026120812", 3, 4}, {"", "", "", 0, 0}};
  Settings saved;
  saved.shadow = saved.marked = 1;
  saved.track = 40;
  saved.zoom = 1.23456f;
  std::string language = "fr";
  RecordingNotice notice;
  const std::string config = dir.File("config.ini");
  ASSERT_TRUE(SaveSettings(registry, store, {&saved, &world, &frames, &language}, "0.1.0", config,
                           &notice));
  EXPECT_EQ(ReadWholeFile(config.c_str()),
            "version=0.1.0\nproduct=Quillary Meridiana\nM=Berlin,13\nM=New York,-74\n"
            "C=a,b,2026120812,3,4\n");
  EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "zoom"), "1.2346");
  EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "help"), "0");

  Settings loaded;
  WorldData again = Cities();
  std::vector<SavedFrame> read;
  std::string code;
  LoadSettings(registry, store, {&loaded, &again, &read, &code}, "", config);
  EXPECT_EQ(loaded.marked, 1);
  EXPECT_EQ(loaded.track, 40);
  EXPECT_FLOAT_EQ(loaded.zoom, 1.2346f);
  EXPECT_EQ(code, "fr");
  EXPECT_TRUE(again.cities[2].marked);
  EXPECT_TRUE(again.cities[4].marked);
  EXPECT_FALSE(again.cities[3].marked);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].third, "2026120812");
  EXPECT_EQ(read[0].secondNumber, 4);

  // English removes the stored code.
  language.clear();
  SaveSettings(registry, store, {&saved, &world, &frames, &language}, "0.1.0", config, &notice);
  EXPECT_FALSE(store.Read(Hive::LocalMachine, kCommonKey, "lang"));
  EXPECT_TRUE(notice.messages().empty());
}

// A configuration that never turned the Moon on, or Sharp Map off, is saved without them, as
// before the two existed; once stored, turning them back is stored too.
TEST(Settings, LaterSwitchesAreWrittenOnceChanged) {
  const struct {
    const char* name;
    int Settings::*field;
    int first;
  } rows[] = {{"moon", &Settings::moon, 0}, {"sharp", &Settings::sharp, 1}};
  for (const auto& row : rows) {
    TempDir dir;
    MemoryKeyValueStore store;
    SettingsRegistry registry(&store, kKey);
    WorldData world = Cities();
    RecordingNotice notice;
    const std::string config = dir.File("config.ini");
    Settings s;
    EXPECT_EQ(s.*row.field, row.first) << row.name;
    ASSERT_TRUE(
        SaveSettings(registry, store, {&s, &world, nullptr, nullptr}, "1", config, &notice));
    EXPECT_FALSE(store.Read(Hive::CurrentUser, kKey, row.name));

    s.*row.field = 1 - row.first;
    ASSERT_TRUE(
        SaveSettings(registry, store, {&s, &world, nullptr, nullptr}, "1", config, &notice));
    Settings loaded;
    LoadSettings(registry, store, {&loaded, nullptr, nullptr, nullptr}, "", config);
    EXPECT_EQ(loaded.*row.field, 1 - row.first) << row.name;
    loaded.*row.field = row.first;
    ASSERT_TRUE(
        SaveSettings(registry, store, {&loaded, &world, nullptr, nullptr}, "1", config, &notice));
    EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, row.name), std::to_string(row.first));
  }
}

// Home and the wallpaper's projection and centre: absent until set, so a configuration that
// never chose them saves as before; once set, kept as written, an emptied home and the way back
// to the map included.
TEST(Settings, HomeAndWallpaperGlobeAreWrittenOnceSet) {
  TempDir dir;
  MemoryKeyValueStore store;
  SettingsRegistry registry(&store, kKey);
  WorldData world = Cities();
  const auto saveAndLoad = [&](Settings& s) {
    EXPECT_TRUE(SaveSettings(registry, store, {&s, &world, nullptr, nullptr}, "1",
                             dir.File("config.ini"), nullptr));
    Settings loaded;
    LoadSettings(registry, store, {&loaded, nullptr, nullptr, nullptr}, "", dir.File("config.ini"));
    return loaded;
  };
  const auto stored = [&store](const char* name) {
    return store.Read(Hive::CurrentUser, kKey, name).value_or("none");
  };
  Settings s;
  saveAndLoad(s);
  EXPECT_EQ(stored("home") + stored("wallpaperprojection") + stored("wallpapercenter"),
            "nonenonenone");
  s.home = "Springfield, Illinois, United States";
  s.wallpaperProjection = "azimuthal";
  s.wallpaperCenter = "Tokyo";
  Settings loaded = saveAndLoad(s);
  EXPECT_EQ(loaded.home, s.home);
  EXPECT_EQ(loaded.wallpaperProjection + "|" + loaded.wallpaperCenter, "azimuthal|Tokyo");
  loaded.home.clear();
  loaded.wallpaperProjection = "rectangular";
  loaded.wallpaperCenter.clear();
  saveAndLoad(loaded);
  EXPECT_EQ(stored("home") + "|" + stored("wallpaperprojection") + "|" + stored("wallpapercenter"),
            "|rectangular|");
}

// The map centre likewise: absent until it has been moved, read back as written, and a stored
// text that is no longitude leaves the map on Greenwich.
TEST(Settings, MapCentreIsWrittenOnceMovedAndReadBack) {
  TempDir dir;
  MemoryKeyValueStore store;
  SettingsRegistry registry(&store, kKey);
  WorldData world = Cities();
  RecordingNotice notice;
  const std::string config = dir.File("config.ini");
  Settings s;
  ASSERT_TRUE(SaveSettings(registry, store, {&s, &world, nullptr, nullptr}, "1", config, &notice));
  EXPECT_FALSE(store.Read(Hive::CurrentUser, kKey, "center"));
  for (const auto& [value, text] : {std::pair{-73.5, "-73.5"}, std::pair{180.0, "180"},
                                    std::pair{150.0, "150"}, std::pair{0.1, "0.1"}}) {
    s.center = value;
    ASSERT_TRUE(
        SaveSettings(registry, store, {&s, &world, nullptr, nullptr}, "1", config, &notice));
    EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "center"), text);
    Settings loaded;
    LoadSettings(registry, store, {&loaded, nullptr, nullptr, nullptr}, "", config);
    EXPECT_EQ(loaded.center, value);
  }
  Settings loaded;
  LoadSettings(registry, store, {&loaded, nullptr, nullptr, nullptr}, "", config);
  loaded.center = 0;
  ASSERT_TRUE(
      SaveSettings(registry, store, {&loaded, &world, nullptr, nullptr}, "1", config, &notice));
  EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "center"), "0");
  for (const char* bad : {"east", "200", "", "nan"}) {
    store.Write(Hive::CurrentUser, kKey, "center", bad);
    Settings read;
    read.center = 5;
    LoadSettings(registry, store, {&read, nullptr, nullptr, nullptr}, "", config);
    EXPECT_EQ(read.center, 0) << bad;
  }
}

TEST(ConfigIni, ReadingRules) {
  TempDir dir;
  std::string text =
      "version=9\nproduct=x\n"
      "M=Springfield,-89\n"    // Spring comes first and prefixes the text
      "m=new york,-74   \r\n"  // either case, trailing blanks trimmed
      "M=Atlantis,12\n"        // no such city: dropped
      "M=Munich\n"             // no comma: ignored
      "c=no comma here\n";
  for (int i = 0; i < 13; ++i)
    text += "C=f" + std::to_string(i) + ",s,t" + std::to_string(i) + ",7\n";
  text += std::string(1'000'000, 'M') + "\n";  // a megabyte line comes in pieces, harmlessly
  WorldData world = Cities();
  std::vector<SavedFrame> frames;
  ASSERT_TRUE(ReadConfigIni(dir.Write("config.ini", text), world, &frames));
  EXPECT_TRUE(world.cities[0].marked);
  EXPECT_FALSE(world.cities[1].marked);
  EXPECT_TRUE(world.cities[4].marked);
  ASSERT_EQ(frames.size(), 12u);  // the thirteenth C= line is ignored
  EXPECT_EQ(frames[11].first, "f11");
  EXPECT_EQ(frames[0].firstNumber, 7);
  EXPECT_EQ(frames[0].secondNumber, 0);  // field 4 absent
  EXPECT_FALSE(ReadConfigIni(dir.File("none.ini"), world, &frames));
  // The dropped mark is gone from the next save.
  EXPECT_EQ(ConfigIniText("1", world, {}),
            "version=1\nproduct=Quillary Meridiana\nM=Spring,-89\nM=New York,-74\n");
}

// A frame's m is the service's text: whatever it holds, config.ini gets one line per frame that
// reads back as it was meant, and no line of the service's making.
TEST(ConfigIni, FramesFromTheServiceReadBackAsWritten) {
  TempDir dir;
  const std::string longPath = dir.path() + "/" + std::string(800, 'p') + "/cache/2026120813.jpg";
  const std::vector<SavedFrame> frames = {
      {"/u/cache/2026120810.jpg", "a\r\nM=Berlin,13\nC=,,2026120899,1,2\rb", "2026120810", 1, 2},
      {"", std::string("x\0M=Munich,11", 13), "2026120811", 3, 4},
      {"", std::string(10000, 'M'), "2026120812", 5, 6},
      {longPath, "\xC3\xA9t\xC3\xA9", "2026120813", 7, 8},
  };
  WorldData world = Cities();
  std::vector<SavedFrame> read;
  ASSERT_TRUE(
      ReadConfigIni(dir.Write("config.ini", ConfigIniText("1", world, frames)), world, &read));
  for (const City& city : world.cities) EXPECT_FALSE(city.marked) << city.name;
  ASSERT_EQ(read.size(), frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(read[i].third, frames[i].third);
    EXPECT_EQ(read[i].firstNumber, frames[i].firstNumber);
    EXPECT_EQ(read[i].secondNumber, frames[i].secondNumber);
  }
  EXPECT_EQ(read[0].first, "/u/cache/2026120810.jpg");
  EXPECT_EQ(read[0].second, "aM=Berlin13C=202612089912b");
  EXPECT_EQ(read[1].second, "xM=Munich11");
  EXPECT_EQ(read[2].second, std::string(kMaxFrameNoteBytes, 'M'));
  EXPECT_EQ(read[3].first, "");  // a path too long for the line is left out, the frame is not
  EXPECT_EQ(read[3].second, "\xC3\xA9t\xC3\xA9");
}

TEST(ConfigIni, AFailedWriteKeepsTheOldFileAndSaysSo) {
  TempDir dir;
  MemoryKeyValueStore store;
  SettingsRegistry registry(&store, kKey);
  WorldData world = Cities();
  Settings s;
  RecordingNotice notice;
  // A folder in the file's place cannot be replaced.
  std::filesystem::create_directory(dir.File("config.ini"));
  EXPECT_FALSE(SaveSettings(registry, store, {&s, &world, nullptr, nullptr}, "1",
                            dir.File("config.ini"), &notice));
  ASSERT_EQ(notice.messages().size(), 1u);
  EXPECT_EQ(notice.messages()[0].text, "ERROR W114: Unable to open file 'config.ini'");
  EXPECT_EQ(store.Read(Hive::CurrentUser, kKey, "shadow"), "0");  // the registry was written first
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("config.ini")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(HostZone, NamedCityElseNearestOfTheZone) {
  WorldData world = Cities();
  world.zones = ParseZones(
      "h\nGermany\t52.5\t13.37\tEurope/Berlin\tDE\t1\tEU\t\r\n"
      "USA\t40.7\t-74.0\tAmerica/New_York\tUS\t-5\tUS\t\r\n"
      "Bavaria\t48.0\t11.0\tEurope/Munich_Zone\tDE\t1\tEU\t\r\n");
  EXPECT_EQ(CityOfHostZone(world, "America/New_York"), &world.cities[4]);
  EXPECT_EQ(CityOfHostZone(world, "Europe/Berlin"), &world.cities[2]);
  EXPECT_EQ(CityOfHostZone(world, "Etc/UTC"), nullptr);
  world.cities[2].name = "Berlin-Mitte";  // no city is named after the zone: the nearest one
  EXPECT_EQ(CityOfHostZone(world, "Europe/Berlin"), &world.cities[2]);
  ScopedEnv tz("TZ", ":/usr/share/zoneinfo/Asia/Tokyo");
  EXPECT_EQ(HostZoneName(), "Asia/Tokyo");
}

}  // namespace
}  // namespace meridiana
