#pragma once
// A read cursor over the text of a reference table. The tables are TAB- or comma-separated
// lines; every reader skips blanks, CR, LF and TAB before a field, takes a text field up to a
// named delimiter (or the rest of the text when the delimiter never comes) and reads numbers
// the way the C library's atof/atoi do, stopping at the first other character.

#include <cstddef>
#include <string>
#include <string_view>

namespace meridiana {

class TableText {
 public:
  // The text ends at its first NUL byte, as the buffer of a packed data file does.
  explicit TableText(std::string_view text);

  bool AtEnd() const { return pos_ >= text_.size(); }
  std::size_t Position() const { return pos_; }

  // Skips any run of blanks, CR, LF and TAB.
  void SkipSpace();

  // The text from here up to (not including) the next `delimiter`, or the rest of the text when
  // there is none. The cursor stops on the delimiter (or at the end).
  std::string_view Field(char delimiter);

  // Moves past the next `delimiter` at or after the cursor. False (cursor unchanged) when the
  // text has none.
  bool PassNext(char delimiter);

  // The number at the cursor, without moving it: optional sign, digits, optional fraction and
  // exponent; 0 when no digit comes first or the value does not fit.
  float Real() const;
  // Optional sign and digits; 0 without a digit; saturates at the int range.
  int Integer() const;

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// ASCII case-insensitive equality, as the tables compare names.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Truncates toward zero into an int; false for a value that is not finite or out of range.
bool TruncateToInt(double value, int& out);

}  // namespace meridiana
