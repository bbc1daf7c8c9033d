#include "world/city_search.h"

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "world/place_names.h"
#include "world/world_data.h"

namespace meridiana {
namespace {

// Accents off, letters ICU can spell in ASCII spelt so ("ß" -> "ss", "ø" -> "o"), lower case.
// One transliterator for the program; ICU does not promise that one may be shared between
// threads, so its use is serialised (a search folds only the typed text).
std::mutex foldMutex;

const icu::Transliterator* Folder() {
  static const icu::Transliterator* folder = [] {
    UErrorCode status = U_ZERO_ERROR;
    icu::Transliterator* made = icu::Transliterator::createInstance(
        "NFD; [:Nonspacing Mark:] Remove; NFC; Latin-ASCII; Any-Lower", UTRANS_FORWARD, status);
    return U_SUCCESS(status) ? made : nullptr;
  }();
  return folder;
}

struct WordWriter {
  FoldedText& out;
  bool inWord = false;
  void Break() { inWord = false; }
  void Begin() {
    if (inWord) return;
    inWord = true;
    out.starts.push_back(
        static_cast<unsigned char>(std::min<std::size_t>(out.letters.size(), 255)));
  }
};

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool StartsAt(const std::string& field, std::size_t at, std::string_view text) {
  return field.size() - at >= text.size() && field.compare(at, text.size(), text) == 0;
}

// Whether text begins at a word of field, the first word skipped when fromSecond.
bool AtWordStart(const FoldedText& field, std::string_view text, bool fromSecond = false) {
  for (std::size_t i = fromSecond ? 1 : 0; i < field.starts.size(); ++i) {
    if (StartsAt(field.letters, field.starts[i], text)) return true;
  }
  return false;
}

}  // namespace

FoldedText FoldForSearch(std::string_view utf8) {
  FoldedText out;
  WordWriter words{out};
  if (IsAscii(utf8)) {  // most of the table: nothing for ICU to do
    for (char c : utf8) {
      if (std::isalnum(static_cast<unsigned char>(c))) {
        words.Begin();
        out.letters += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      } else {
        words.Break();
      }
    }
    return out;
  }
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(
      icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
  if (const icu::Transliterator* folder = Folder()) {
    std::lock_guard lock(foldMutex);
    folder->transliterate(text);
  } else {
    text.foldCase();
  }
  for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
    const UChar32 c = text.char32At(i);
    if (!u_isalnum(c)) {
      words.Break();
      continue;
    }
    words.Begin();
    icu::UnicodeString(c).toUTF8String(out.letters);
  }
  return out;
}

CitySearchIndex::CitySearchIndex(const WorldData& world)
    : zoneCount_(world.zones.size()), names_(world.placeNames.get()) {
  if (world.placeNames) language_ = world.placeNames->language;
  // A city's zone is the first whose place is its key, ignoring case.
  std::unordered_map<std::string, const std::string*> countryOfKey;
  auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  for (const Zone& zone : world.zones) countryOfKey.emplace(lower(zone.zoneCity), &zone.country);
  std::unordered_map<const std::string*, const FoldedText*> foldedCountry;
  std::unordered_map<const std::string*, const FoldedText*> foldedLocalCountry;
  auto share = [this](std::unordered_map<const std::string*, const FoldedText*>& folded,
                      const std::string* key, const std::string& text) {
    const FoldedText*& out = folded[key];
    if (!out) {
      countries_.push_back(std::make_unique<FoldedText>(FoldForSearch(text)));
      out = countries_.back().get();
    }
    return out;
  };

  entries_.reserve(world.cities.size());
  for (const City& city : world.cities) {
    Entry entry;
    entry.english.name = FoldForSearch(WithoutTrailingBlanks(city.name));
    if (city.state) entry.english.state = FoldForSearch(*city.state);
    entry.zoneNamesake = FoldForSearch(city.zoneKey).letters == entry.english.name.letters;
    const auto zone = countryOfKey.find(lower(city.zoneKey));
    const std::string* country = zone != countryOfKey.end() ? zone->second : nullptr;
    if (country) entry.english.country = share(foldedCountry, country, *country);
    if (world.placeNames) {
      const std::string& name = CityNameOf(world, city);
      const std::string* state = StateNameOf(world, city);
      const std::string* localCountry = country ? &CountryNameIn(world, *country) : nullptr;
      if (&name != &city.name || (state && state != &*city.state) || localCountry != country) {
        entry.local = std::make_unique<Names>();
        entry.local->name = FoldForSearch(WithoutTrailingBlanks(name));
        if (state) entry.local->state = FoldForSearch(*state);
        if (localCountry)
          entry.local->country = share(foldedLocalCountry, country, *localCountry);
      }
    }
    entries_.push_back(std::move(entry));
  }
}

bool CitySearchIndex::Fits(const WorldData& world) const {
  return entries_.size() == world.cities.size() && zoneCount_ == world.zones.size() &&
         names_ == world.placeNames.get();
}

int CitySearchIndex::RankOf(const Names& e, std::string_view q,
                            const std::vector<std::string_view>& typedWords) const {
  if (e.name.letters == q) return 0;
  if (StartsAt(e.name.letters, 0, q)) return 1;
  if (AtWordStart(e.name, q, true)) return 2;
  auto anywhere = [&e](std::string_view word) {
    return AtWordStart(e.name, word) || AtWordStart(e.state, word) ||
           (e.country && AtWordStart(*e.country, word));
  };
  if (anywhere(q) || std::all_of(typedWords.begin(), typedWords.end(), anywhere)) return 3;
  return -1;
}

std::vector<CitySearchIndex::Hit> CitySearchIndex::Search(std::string_view text,
                                                          std::size_t limit,
                                                          bool localized) const {
  const FoldedText query = FoldForSearch(text);
  if (query.letters.empty() || limit == 0) return {};
  const std::string_view q = query.letters;
  std::vector<std::string_view> typedWords;
  for (std::size_t i = 0; i < query.starts.size(); ++i) {
    const std::size_t end = i + 1 < query.starts.size() ? query.starts[i + 1] : q.size();
    typedWords.push_back(q.substr(query.starts[i], end - query.starts[i]));
  }

  std::vector<Hit> hits;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    int rank = RankOf(e.english, q, typedWords);
    if (localized && e.local && rank != 0) {
      const int local = RankOf(*e.local, q, typedWords);
      if (local >= 0 && (rank < 0 || local < rank)) rank = local;
    }
    if (rank >= 0) hits.push_back({i, rank});
  }

  auto better = [this](const Hit& a, const Hit& b) {
    const Entry& x = entries_[a.city];
    const Entry& y = entries_[b.city];
    if (a.rank != b.rank) return a.rank < b.rank;
    if (x.zoneNamesake != y.zoneNamesake) return x.zoneNamesake;
    if (x.english.name.letters.size() != y.english.name.letters.size())
      return x.english.name.letters.size() < y.english.name.letters.size();
    return a.city < b.city;
  };
  const std::size_t kept = std::min(limit, hits.size());
  std::partial_sort(hits.begin(), hits.begin() + static_cast<std::ptrdiff_t>(kept), hits.end(),
                    better);
  hits.resize(kept);
  return hits;
}

void IndexCitySearch(WorldData& world) {
  world.citySearch = std::make_shared<const CitySearchIndex>(world);
}

namespace {

std::vector<CitySearchIndex::Hit> Hits(const WorldData& world, std::string_view text,
                                       std::size_t limit, std::string_view language) {
  auto search = [&](const CitySearchIndex& index) {
    const bool localized = !language.empty() && index.language() == language;
    return index.Search(text, limit, localized);
  };
  if (world.citySearch && world.citySearch->Fits(world)) return search(*world.citySearch);
  return search(CitySearchIndex(world));
}

}  // namespace

std::vector<const City*> SearchCities(const WorldData& world, std::string_view text,
                                      std::size_t limit, std::string_view language) {
  std::vector<const City*> cities;
  for (const auto& hit : Hits(world, text, limit, language)) cities.push_back(&world.cities[hit.city]);
  return cities;
}

CityLookup ResolveCityName(const WorldData& world, std::string_view text,
                           std::string_view language) {
  if (const City* exact = FindCityNamed(world.cities, text)) return {exact, {}};
  constexpr std::size_t kCandidates = 5;
  const auto hits = Hits(world, text, kCandidates + 1, language);
  CityLookup lookup;
  if (hits.empty()) return lookup;
  if (hits.size() == 1 || hits[0].rank < hits[1].rank) {
    lookup.city = &world.cities[hits[0].city];
    return lookup;
  }
  for (std::size_t i = 0; i < hits.size() && i < kCandidates; ++i)
    lookup.candidates.push_back(&world.cities[hits[i].city]);
  return lookup;
}

}  // namespace meridiana
