// The interface language: one translated string-table lookup, the switch of the whole main
// window (menu bar, toolbar tips, status texts) from one language to another, and the places'
// names of a language as a start in it loads them.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "foundation/file_util.h"
#include "foundation/localized_strings.h"
#include "resources/embedded.h"
#include "shell/app/interface_language.h"
#include "shell/app/settings.h"
#include "shell/window/main_window.h"
#include "support/localized_window.h"
#include "support/qt_application.h"
#include "world/place_names.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

std::string LanguageText(const char* code) {
  return ReadWholeFile(
             (std::string(MERIDIANA_SOURCE_DIR "/data/lang/lang_") + code + ".txt").c_str())
      .value_or("");
}

void BM_LocalizedTextTranslated(benchmark::State& state) {
  Localizer localizer(ParseStringTable(resources::StringTableText()));
  localizer.LoadLanguageText(LanguageText("de"));
  for (auto _ : state) benchmark::DoNotOptimize(localizer.LocalizedText(1404));
}
BENCHMARK(BM_LocalizedTextTranslated);

// German to French and back: each switch passes through English, as the program's does.
void BM_SwitchWholeInterface(benchmark::State& state) {
  bench::QtApplication<QApplication>("language_bench");
  test::LocalizedWindow shown;
  InterfaceLanguage& language = shown.language;
  shown.window.show();
  bool french = false;
  for (auto _ : state) {
    language.Apply(french ? "fr" : "de");
    french = !french;
  }
}
BENCHMARK(BM_SwitchWholeInterface)->Unit(benchmark::kMillisecond);

// Japanese has the most names; the window's start in it reads them before the first map.
void BM_LoadPlaceNames(benchmark::State& state) {
  WorldData world;
  LoadWorldData(world, MERIDIANA_STAGE_DIR, nullptr);
  world.citySearch.reset();  // the window indexes on first search, not at start
  for (auto _ : state) LoadPlaceNames(world, "jp", {MERIDIANA_STAGE_DIR});
}
BENCHMARK(BM_LoadPlaceNames)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meridiana
