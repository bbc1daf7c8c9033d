#pragma once
// Finding a city by typed text. The table's names, states and countries are folded once into a
// CitySearchIndex kept with the world data (IndexCitySearch), so a keystroke's search is a scan
// of short ASCII strings.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "world/city.h"

namespace meridiana {

struct WorldData;

// Text as the search compares it: letter case and accents folded away and other scripts'
// letters spelt in Latin where ICU knows how ("Zürich", "ZURICH" -> "zurich"; "Łódź" -> "lodz"),
// every run of characters that are neither letters nor digits a break between words.
struct FoldedText {
  std::string letters;                // the words run together: "St. John's" -> "stjohns"
  std::vector<unsigned char> starts;  // where each word begins in letters (capped at 255)
};
FoldedText FoldForSearch(std::string_view utf8);

class CitySearchIndex {
 public:
  explicit CitySearchIndex(const WorldData& world);

  // Indices into world.cities, best first, at most `limit`; each with its rank (0 the name is
  // the text, 1 the name starts with it, 2 a later word of the name does, 3 every typed word
  // starts a word of the name, the state or the country). With `localized`, the names of the
  // world's language count as well as the English ones, the better of the two ranking.
  struct Hit {
    std::size_t city;
    int rank;
  };
  std::vector<Hit> Search(std::string_view text, std::size_t limit, bool localized = false) const;

  // Whether the index was built from this world's tables (the same number of cities and zones,
  // the same place names).
  bool Fits(const WorldData& world) const;
  // The language whose names the index holds besides the English ones ("" none).
  const std::string& language() const { return language_; }

 private:
  struct Names {
    FoldedText name;
    FoldedText state;
    const FoldedText* country = nullptr;  // shared by the cities of a country
  };
  struct Entry {
    Names english;
    std::unique_ptr<Names> local;  // only where the language names the city, state or country
    bool zoneNamesake = false;     // the city that gives its zone its name
  };
  int RankOf(const Names& names, std::string_view q,
             const std::vector<std::string_view>& typedWords) const;

  std::vector<Entry> entries_;
  std::vector<std::unique_ptr<FoldedText>> countries_;
  std::size_t zoneCount_ = 0;
  const void* names_ = nullptr;  // the world's place names the index was built with
  std::string language_;
};

// Builds the index of the world's cities and keeps it with them; done after the tables are
// loaded, so the first search does not pay for it.
void IndexCitySearch(WorldData& world);

// Cities matching typed text, best first: case-, accent- and punctuation-insensitive, on word
// prefixes of the name, the state and the country; an exact name first, then names that start
// with the text, then names with a later word that does, then the rest. The table has no
// population, so within a rank the city that names its zone comes first (London before London,
// Ontario), then the shorter name, then table order. Without a fitting index one is built for
// the call. A `language` that is the world's (LoadPlaceNames) finds cities by their names in it
// too ("東京", "München"); any other language, or none, by the English names only.
std::vector<const City*> SearchCities(const WorldData& world, std::string_view text,
                                      std::size_t limit, std::string_view language = {});

// A typed city name resolved: the exact name (FindCityNamed), else the search's clear best match
// (the only city of the best rank); else no city and the candidates (up to five) for a message.
struct CityLookup {
  const City* city = nullptr;
  std::vector<const City*> candidates;
};
CityLookup ResolveCityName(const WorldData& world, std::string_view text,
                           std::string_view language = {});

}  // namespace meridiana
