#include "world/table_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace meridiana {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

TableText::TableText(std::string_view text) : text_(text.substr(0, text.find('\0'))) {}

void TableText::SkipSpace() {
  while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
}

std::string_view TableText::Field(char delimiter) {
  const std::size_t start = pos_;
  std::size_t end = text_.find(delimiter, pos_);
  if (end == std::string_view::npos) end = text_.size();
  pos_ = end;
  return text_.substr(start, end - start);
}

bool TableText::PassNext(char delimiter) {
  const std::size_t at = text_.find(delimiter, pos_);
  if (at == std::string_view::npos) return false;
  pos_ = at + 1;
  return true;
}

float TableText::Real() const {
  const std::string_view s = text_.substr(pos_ < text_.size() ? pos_ : text_.size());
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  const std::size_t numberStart = i;
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0.0f;
  // An exponent counts only when at least one digit follows its letter and sign.
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      i = j;
    }
  }
  float value = 0.0f;
  const auto result = std::from_chars(s.data() + numberStart, s.data() + i, value);
  if (result.ec != std::errc()) return 0.0f;
  return negative ? -value : value;
}

int TableText::Integer() const {
  const std::string_view s = text_.substr(pos_ < text_.size() ? pos_ : text_.size());
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long long value = 0;
  while (i < s.size() && IsDigit(s[i])) {
    value = value * 10 + (s[i++] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool TruncateToInt(double value, int& out) {
  if (!std::isfinite(value)) return false;
  const double t = std::trunc(value);
  if (t < static_cast<double>(INT_MIN) || t > static_cast<double>(INT_MAX)) return false;
  out = static_cast<int>(t);
  return true;
}

}  // namespace meridiana
