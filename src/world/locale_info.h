#pragma once
// What the formatters ask of the user's locale. The shell answers from the desktop's locale,
// the command line and the tests fix the answer.

#include <string>
#include <utility>

namespace meridiana {

class LocaleInfo {
 public:
  virtual ~LocaleInfo() = default;
  // The locale's date separator as the platform reports it; may be empty or over-long, the
  // formatters take at most kMaxDateSeparator bytes of it and use "/" when it is empty.
  virtual std::string DateSeparator() const = 0;
  // Dates and hours where people read them, in the user's short formats ("12/9/26", "09.12.26";
  // "12 AM", "00:00"). Empty when the locale does not say: the fixed layouts are used then.
  virtual std::string ShortDate(int /*year*/, int /*month*/, int /*day*/) const { return {}; }
  virtual std::string ShortHour(int /*hour*/) const { return {}; }
  // A day of the year without its year, in the short date's order ("3/8", "08.03").
  virtual std::string DayAndMonth(int /*month*/, int /*day*/) const { return {}; }
  // Distances in miles (the US and the UK) rather than kilometres.
  virtual bool MeasuresInMiles() const { return false; }
  // What stands between the thousands of a number ("8,920", "8.920", "8 920").
  virtual std::string DigitGroupSeparator() const { return ","; }
};

inline constexpr std::size_t kMaxDateSeparator = 7;

// A locale whose answers are set by the caller.
class FixedLocaleInfo : public LocaleInfo {
 public:
  explicit FixedLocaleInfo(std::string separator = "/") : separator_(std::move(separator)) {}
  std::string DateSeparator() const override { return separator_; }

 private:
  std::string separator_;
};

}  // namespace meridiana
