#pragma once
// A forgiving scanner for the small markup documents the online services send (an XML
// declaration and elements such as IMAGE, QUAKE and ERROR): the text becomes a flat, ordered
// list of tokens, and accessors read a tag's name and attribute values. Also the tag-name and
// colour-name tables and the entity decoder of formatted text.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meridiana {

// Token kinds besides the tag numbers: 1 to 93 a start tag of the tag-name table, the negated
// number its end tag.
inline constexpr int kMarkupText = 0;
inline constexpr int kMarkupEntity = 100;
inline constexpr int kMarkupStyleBody = 101;
inline constexpr int kMarkupScriptBody = 102;
inline constexpr int kMarkupComment = 103;
inline constexpr int kMarkupOtherTag = 127;  // a name not in the table, or a DOCTYPE
inline constexpr int kTagStyle = 29;
inline constexpr int kTagScript = 30;

// Option bit: split text tokens into sentences (after a "." followed by a blank, tab, CR or LF).
inline constexpr int kMarkupSplitSentences = 1;

struct MarkupToken {
  std::string text;  // the source text exactly as it stood, "<", ">" and quotes included
  int kind = kMarkupText;
  int offset = 0;  // where the token's first character stood in the scanned text
};

using MarkupTokens = std::vector<MarkupToken>;

// The tokens of a text, in order; none for an empty text. Consecutive text never forms two
// tokens.
MarkupTokens ScanMarkup(std::string_view text, int options = 0);

// The number of a tag name in the table (1 to 93), looked up without regard to case; 0 if none.
int MarkupTagNumber(std::string_view name);

// The characters after "<" (and blanks) up to a blank, tab, CR, LF or ">"; none without "<".
std::optional<std::string> TagName(const MarkupToken& token);
// An attribute's value (quoted or bare; an attribute without a value gives its own name, and
// "&quot;" gives a double quote); none when the tag has no such attribute.
std::optional<std::string> AttributeValue(const MarkupToken& token, std::string_view name);
// Its leading decimal number; 0 when it is absent or not a number.
long AttributeInt(const MarkupToken& token, std::string_view name);
// The first token of that kind from `from` on, or null.
const MarkupToken* FindTokenOfKind(const MarkupTokens& tokens, int kind, std::size_t from = 0);

// A colour name's value as six hexadecimal digits RRGGBB, searched without regard to case.
std::optional<std::string> ColourValue(std::string_view name);

// The character code (1 to 255) an entity name stands for in the entity table, or 0.
int EntityCharacter(std::string_view name);

// Replaces entity references: the Latin-1 names of HTML 4 (but sect), "&nbsp;" as a blank, and
// "&#" with exactly three digits of a value 1 to 255 ("&#065;"); each becomes its character in
// UTF-8. quot, lt, gt and nbsp are also known in any letter case. Anything else stays.
void DecodeEntities(std::string& text);
// Removes every tag, from "<" to the ">" found outside double quotes (or the end).
void StripTags(std::string& text);
// Replaces every tag with one blank, then decodes the entities.
void StripTagsToBlanks(std::string& text);

}  // namespace meridiana
