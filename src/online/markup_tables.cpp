// The tag-name, colour-name and entity tables of the markup scanner.
#include <array>
#include <cctype>
#include <string>
#include <unordered_map>

#include "online/markup.h"

namespace meridiana {
namespace {

constexpr std::array<const char*, 93> kTagNames = {
    "FORM",  "INPUT",    "TEXTAREA", "TD",    "TR",         "B",       "P",        "TABLE",
    "TH",    "A",        "BR",       "I",     "U",          "UL",      "OL",       "CENTER",
    "HTML",  "BODY",     "TBODY",    "FONT",  "HR",         "DIV",     "SELECT",   "OPTION",
    "NOBR",  "HEAD",     "TITLE",    "META",  "STYLE",      "SCRIPT",  "NOSCRIPT", "IMG",
    "LI",    "STRONG",   "PRE",      "H1",    "H2",         "H3",      "H4",       "H5",
    "H6",    "THEAD",    "IFRAME",   "ABBR",  "ACRONYM",    "ADDRESS", "APPLET",   "AREA",
    "BASE",  "BASEFONT", "BDO",      "BIG",   "BLOCKQUOTE", "BUTTON",  "CAPTION",  "CITE",
    "CODE",  "COL",      "COLGROUP", "DD",    "DEL",        "DFN",     "DIR",      "DL",
    "DT",    "EM",       "FIELDSET", "FRAME", "FRAMESET",   "INS",     "ISINDEX",  "KBD",
    "LABEL", "LEGEND",   "LINK",     "MAP",   "MENU",       "OBJECT",  "OPTGROUP", "PARAM",
    "Q",     "S",        "SAMP",     "SMALL", "SPAN",       "STRIKE",  "SUB",      "SUP",
    "TFOOT", "TT",       "VAR",      "PHP",   "XML"};

struct Colour {
  const char* name;
  const char* value;
};

// In this order, searched first match first (LIGHTPINK and LIGHTSEAGREEN stand twice).
constexpr Colour kColours[] = {{"ALICEBLUE", "F0F8FF"},
                               {"ANTIQUEWHITE", "FAEBD7"},
                               {"AQUA", "00FFFF"},
                               {"AQUAMARINE", "7FFFD4"},
                               {"AZURE", "F0FFFF"},
                               {"BEIGE", "F5F5DC"},
                               {"BISQUE", "FFE4C4"},
                               {"BLACK", "000000"},
                               {"BLANCHEDALMOND", "FFEBCD"},
                               {"BLUE", "0000FF"},
                               {"BLUEVIOLET", "8A2BE2"},
                               {"BROWN", "A52A2A"},
                               {"BURLYWOOD", "DEB887"},
                               {"CADETBLUE", "5F9EA0"},
                               {"CHARTREUSE", "7FFF00"},
                               {"CHOCOLATE", "D2691E"},
                               {"CORAL", "FF7F50"},
                               {"CORNFLOWERBLUE", "6495ED"},
                               {"CORNSILK", "FFF8DC"},
                               {"CRIMSON", "DC143C"},
                               {"CYAN", "00FFFF"},
                               {"DARKBLUE", "00008B"},
                               {"DARKCYAN", "008B8B"},
                               {"DARKGREEN", "006400"},
                               {"DARKGOLDENROD", "B8860B"},
                               {"DARKKHAKI", "BDB76B"},
                               {"DARKMAGENTA", "8B008B"},
                               {"DARKOLIVEGREEN", "556B2F"},
                               {"DARKORANGE", "FF8C00"},
                               {"DARKORCHID", "9932CC"},
                               {"DARKRED", "8B0000"},
                               {"DARKSALMON", "E9967A"},
                               {"DARKTURQUOISE", "00CED1"},
                               {"DARKSEAGREEN", "8FBC8F"},
                               {"DARKSLATEBLUE", "483D8B"},
                               {"DARKSLATEGRAY", "2F4F4F"},
                               {"DEEPSKYBLUE", "00BFFF"},
                               {"DARKVIOLET", "9400D3"},
                               {"DEEPPINK", "FF1493"},
                               {"DIMGRAY", "696969"},
                               {"DODGERBLUE", "1E90FF"},
                               {"FIREBRICK", "B22222"},
                               {"FLORALWHITE", "FFFAF0"},
                               {"FORESTGREEN", "228B22"},
                               {"FUCHSIA", "FF00FF"},
                               {"GOLD", "FFD700"},
                               {"GHOSTWHITE", "F8F8FF"},
                               {"GOLDENROD", "DAA520"},
                               {"GREEN", "008000"},
                               {"GREENYELLOW", "ADFF2F"},
                               {"HONEYDEW", "F0FFF0"},
                               {"HOTPINK", "FF69B4"},
                               {"INDIANRED", "CD5C5C"},
                               {"INDIGO", "4B0082"},
                               {"IVORY", "FFFFF0"},
                               {"KHAKI", "F0E68C"},
                               {"LAVENDER", "E6E6FA"},
                               {"LAVENDERBLUSH", "FFF0F5"},
                               {"LAWNGREEN", "7CFC00"},
                               {"LEMONCHIFFON", "FFFACD"},
                               {"LIGHTBLUE", "ADD8E6"},
                               {"LIGHTCORAL", "F08080"},
                               {"LIGHTCYAN", "E0FFFF"},
                               {"LIGHTSEAGREEN", "20B2AA"},
                               {"LIGHTGREEN", "94ED94"},
                               {"LIGHTPINK", "FFB6C1"},
                               {"LIGHTPINK", "FFB6C1"},
                               {"LIGHTSALMON", "FFA07A"},
                               {"LIGHTSEAGREEN", "20B2AA"},
                               {"LIGHTSLATEGRAY", "778899"},
                               {"LIGHTSKYBLUE", "87CEFA"},
                               {"LIGHTGOLDENRODYELLOW", "FAFAD2"},
                               {"LIGHTYELLOW", "FFFFE0"},
                               {"LIME", "00FF00"},
                               {"LIMEGREEN", "32CD32"},
                               {"LINEN", "FAF0E6"},
                               {"MAGENTA", "FF00FF"},
                               {"MAROON", "800000"},
                               {"MEDIUMAQUAMARINE", "66CDAA"},
                               {"MEDIUMBLUE", "0000CD"},
                               {"MEDIUMPURPLE", "9370DB"},
                               {"MEDIUMORCHID", "BA55D3"},
                               {"MEDIUMSEAGREEN", "3CB371"},
                               {"MEDIUMSLATEBLUE", "7B68EE"},
                               {"MEDIUMTURQUOISE", "48D1CC"},
                               {"MEDIUMSPRINGGREEN", "00FA9A"},
                               {"MEDIUMVIOLETRED", "C71585"},
                               {"MIDNIGHTBLUE", "191970"},
                               {"MINTCREAM", "F5FFFA"},
                               {"MISTYROSE", "FFE4E1"},
                               {"MOCCASIN", "FFE4B5"},
                               {"NAVAJOWHITE", "FFDEAD"},
                               {"NAVY", "000080"},
                               {"OLDLACE", "FDF5E6"},
                               {"OLIVE", "808000"},
                               {"OLIVEDRAB", "6B8E23"},
                               {"ORANGE", "FFA500"},
                               {"ORANGERED", "FF4500"},
                               {"ORCHID", "DA70D6"},
                               {"PALEGOLDENROD", "EEE8AA"},
                               {"PALEGREEN", "98FB98"},
                               {"PALETURQUOISE", "AFEEEE"},
                               {"PALEVIOLETRED", "DB7093"},
                               {"PAPAYAWHIP", "FFEFD5"},
                               {"PEACHPUFF", "FFDAB9"},
                               {"PERU", "CD853F"},
                               {"PINK", "FFC0CB"},
                               {"PLUM", "DDA0DD"},
                               {"PURPLE", "800080"},
                               {"POWDERBLUE", "B0E0E6"},
                               {"RED", "FF0000"},
                               {"ROSYBROWN", "BC8F8F"},
                               {"ROYALBLUE", "4169E1"},
                               {"SADDLEBROWN", "8B4513"},
                               {"SALMON", "FA8072"},
                               {"SANDYBROWN", "F4A460"},
                               {"SEAGREEN", "2E8B57"},
                               {"SEASHELL", "FFF5EE"},
                               {"SIENNA", "A0522D"},
                               {"SKYBLUE", "87CEEB"},
                               {"SLATEBLUE", "6A5ACD"},
                               {"SLATEGRAY", "708090"},
                               {"SNOW", "FFFAFA"},
                               {"SPRINGGREEN", "00FF7F"},
                               {"STEELBLUE", "4682B4"},
                               {"TAN", "D2B48C"},
                               {"TEAL", "008080"},
                               {"THISTLE", "D8BFD8"},
                               {"TOMATO", "FF6347"},
                               {"TURQUOISE", "40E0D0"},
                               {"VIOLET", "EE82EE"},
                               {"WHEAT", "F5DEB3"},
                               {"WHITE", "FFFFFF"},
                               {"WHITESMOKE", "F5F5F5"},
                               {"YELLOW", "FFFF00"},
                               {"YELLOWGREEN", "9ACD32"}};
static_assert(std::size(kColours) == 136);

// The Latin-1 names of HTML 4, for the characters 160 to 255 in order; sect (167) is absent.
constexpr std::array<const char*, 96> kLatin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", nullptr,  "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return upper;
}

}  // namespace

int MarkupTagNumber(std::string_view name) {
  static const std::unordered_map<std::string, int> kNumbers = [] {
    std::unordered_map<std::string, int> numbers;
    for (std::size_t i = 0; i < kTagNames.size(); ++i)
      numbers.emplace(kTagNames[i], static_cast<int>(i) + 1);
    return numbers;
  }();
  // Every "<" of a text asks; a word no name of the table can be is answered at once.
  constexpr std::size_t kLongestName = 10;
  if (name.empty() || name.size() > kLongestName ||
      !std::isalpha(static_cast<unsigned char>(name[0])))
    return 0;
  const auto found = kNumbers.find(Upper(name));
  return found != kNumbers.end() ? found->second : 0;
}

std::optional<std::string> ColourValue(std::string_view name) {
  const std::string upper = Upper(name);
  for (const Colour& colour : kColours)
    if (upper == colour.name) return std::string(colour.value);
  return std::nullopt;
}

// The character code of an entity name, or 0 (used by DecodeEntities).
int EntityCharacter(std::string_view name) {
  const std::string upper = Upper(name);
  if (upper == "QUOT") return '"';
  if (upper == "LT") return '<';
  if (upper == "GT") return '>';
  if (upper == "NBSP") return ' ';  // a plain blank
  if (name == "amp") return '&';
  if (name == "apos") return '\'';
  for (std::size_t i = 0; i < kLatin1Names.size(); ++i)
    if (kLatin1Names[i] != nullptr && name == kLatin1Names[i]) return 160 + static_cast<int>(i);
  return 0;
}

}  // namespace meridiana
