#include "foundation/ini_text.h"

#include <vector>

namespace meridiana {
namespace {

enum class Field { Section, Name, Value };

std::string Hex(unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  return {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
}

std::string Escape(std::string_view text, Field field) {
  // One token per input byte; backslashes are settled afterwards, when the next token is known.
  std::vector<std::string> tokens;
  tokens.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool edge = i == 0 || i + 1 == text.size();
    if (c == '\n') {
      tokens.emplace_back("\\n");
    } else if (c == '\r') {
      tokens.emplace_back("\\r");
    } else if (c == '\t') {
      tokens.emplace_back("\\t");
    } else if (c < 0x20 || c == 0x7F || (c == ' ' && edge) ||
               (field == Field::Name &&
                (c == '=' || (i == 0 && (c == '[' || c == ';' || c == '#')))) ||
               (field == Field::Section && i == 0 && (c == ';' || c == '#'))) {
      tokens.push_back(Hex(c));
    } else {
      tokens.emplace_back(1, static_cast<char>(c));
    }
  }
  std::string out;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i] == "\\") {
      const bool ambiguous = i + 1 == tokens.size() || tokens[i + 1][0] == '\\' ||
                             tokens[i + 1] == "n" || tokens[i + 1] == "r" || tokens[i + 1] == "t" ||
                             tokens[i + 1] == "x";
      out += ambiguous ? "\\\\" : "\\";
    } else {
      out += tokens[i];
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out.push_back(text[i]);
      continue;
    }
    const char next = text[i + 1];
    if (next == '\\') {
      out.push_back('\\');
      ++i;
    } else if (next == 'n') {
      out.push_back('\n');
      ++i;
    } else if (next == 'r') {
      out.push_back('\r');
      ++i;
    } else if (next == 't') {
      out.push_back('\t');
      ++i;
    } else if (next == 'x' && i + 3 < text.size() && HexValue(text[i + 2]) >= 0 &&
               HexValue(text[i + 3]) >= 0) {
      out.push_back(static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3])));
      i += 3;
    } else {
      out.push_back('\\');  // not an escape: a plain backslash
    }
  }
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

std::string FormatIniText(const KeyValueTable& table) {
  std::string out;
  for (const auto& [keyPath, values] : table.keys()) {
    if (!out.empty()) out += '\n';
    out += '[';
    out += Escape(keyPath, Field::Section);
    out += "]\n";
    for (const auto& [name, value] : values) {
      out += Escape(name, Field::Name);
      out += '=';
      out += Escape(value, Field::Value);
      out += '\n';
    }
  }
  return out;
}

KeyValueTable ParseIniText(std::string_view text) {
  KeyValueTable table;
  std::string section;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      section = Unescape(
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    table.Set(section, Unescape(Trim(line.substr(0, equals))),
              Unescape(Trim(line.substr(equals + 1))));
  }
  return table;
}

}  // namespace meridiana
