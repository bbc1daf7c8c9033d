#include "foundation/text_util.h"

#include <cstring>

namespace meridiana {
namespace {

bool MatchNoCase(const char* text, const char* pattern) {
  for (; *pattern; ++text, ++pattern) {
    if (!*text || AsciiUpper(*text) != AsciiUpper(*pattern)) return false;
  }
  return true;
}

char* Splice(char* at, std::size_t findLength, const char* replacement) {
  const std::size_t replacementLength = replacement ? std::strlen(replacement) : 0;
  char* tail = at + findLength;
  std::memmove(at + replacementLength, tail, std::strlen(tail) + 1);
  if (replacementLength) std::memcpy(at, replacement, replacementLength);
  return at + replacementLength;
}

}  // namespace

const char* FindLast(const char* text, const char* find) {
  if (!text || !find || !*find) return nullptr;
  const std::size_t textLength = std::strlen(text);
  const std::size_t findLength = std::strlen(find);
  if (findLength > textLength) return nullptr;
  for (std::size_t i = textLength - findLength + 1; i-- > 0;) {
    if (std::memcmp(text + i, find, findLength) == 0) return text + i;
  }
  return nullptr;
}

const char* FindNoCase(const char* text, const char* pattern) {
  if (!text || !pattern) return nullptr;
  for (const char* p = text;; ++p) {
    if (MatchNoCase(p, pattern)) return p;
    if (!*p) return nullptr;
  }
}

char* ReplaceFirstInPlace(char* buffer, const char* find, const char* replacement) {
  if (!buffer || !*buffer || !find || !*find) return nullptr;
  char* at = std::strstr(buffer, find);
  return at ? Splice(at, std::strlen(find), replacement) : nullptr;
}

char* ReplaceLastInPlace(char* buffer, const char* find, const char* replacement) {
  if (!buffer || !*buffer || !find || !*find) return nullptr;
  char* at = const_cast<char*>(FindLast(buffer, find));
  return at ? Splice(at, std::strlen(find), replacement) : nullptr;
}

char* ReplaceFirstNoCaseInPlace(char* buffer, const char* find, const char* replacement) {
  if (!buffer || !*buffer || !find || !*find) return nullptr;
  char* at = FindNoCase(buffer, find);
  return at ? Splice(at, std::strlen(find), replacement) : nullptr;
}

int CountChar(const char* text, char c) {
  if (!text) return 0;
  int n = 0;
  for (; *text; ++text) n += *text == c;
  return n;
}

char* CopyN(char* destination, const char* source, int n) {
  if (!destination) return nullptr;
  std::size_t count = 0;
  if (source && n > 0) count = strnlen(source, static_cast<std::size_t>(n));
  std::memmove(destination, source ? source : "", count);
  destination[count] = '\0';
  return destination;
}

char* CopyUntil(char* destination, const char* source, char stop) {
  if (!destination) return nullptr;
  std::size_t count = 0;
  if (source) {
    while (source[count] && source[count] != stop) ++count;
    std::memmove(destination, source, count);
  }
  destination[count] = '\0';
  return destination;
}

char* CopyUntilN(char* destination, const char* source, char stop, int n) {
  if (!destination) return nullptr;
  std::size_t count = 0;
  if (source && n > 0) {
    while (count < static_cast<std::size_t>(n) && source[count] && source[count] != stop) ++count;
    std::memmove(destination, source, count);
  }
  destination[count] = '\0';
  return destination;
}

char* AppendUntil(char* destination, const char* source, char stop) {
  if (!destination) return nullptr;
  CopyUntil(destination + std::strlen(destination), source, stop);
  return destination;
}

std::optional<std::string> Between(const char* text, char open, char close) {
  if (!text || !open) return std::nullopt;
  const char* start = std::strchr(text, open);
  if (!start) return std::nullopt;
  ++start;
  const char* end = close ? std::strchr(start, close) : nullptr;
  return end ? std::string(start, end) : std::string(start);
}

std::optional<std::string> BetweenUnquoted(const char* text, char open, char close) {
  if (!text || !open) return std::nullopt;
  const char* start = std::strchr(text, open);
  if (!start) return std::nullopt;
  ++start;
  const char* end = FindUnquoted(start, close);
  return end ? std::string(start, end) : std::string(start);
}

const char* FindUnquoted(const char* text, char c) {
  if (!text || !c) return nullptr;
  char quote = 0;
  for (; *text; ++text) {
    if (quote) {
      if (*text == quote) quote = 0;
    } else if (*text == c) {
      return text;
    } else if (*text == '"' || *text == '\'') {
      quote = *text;
    }
  }
  return nullptr;
}

char* TrimRight(char* text) {
  if (!text) return nullptr;
  std::size_t n = std::strlen(text);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) --n;
  text[n] = '\0';
  return text;
}

void TrimRight(std::string* text) {
  if (!text) return;
  std::size_t n = text->size();
  while (n > 0 && ((*text)[n - 1] == '\r' || (*text)[n - 1] == '\n' || (*text)[n - 1] == ' ')) --n;
  text->resize(n);
}

std::string PlainTextLine(std::string_view text, std::size_t maxBytes, std::string_view drop) {
  std::string line;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127 || drop.find(c) != std::string_view::npos) continue;
    line += c;
    if (line.size() > maxBytes) break;
  }
  if (line.size() <= maxBytes) return line;
  // Back to the start of the character the limit falls in.
  std::size_t cut = maxBytes;
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  line.resize(cut);
  return line;
}

std::optional<std::string> CommaField(const char* text, int index) {
  if (!text || index < 0) return std::nullopt;
  const char* p = text;
  for (int i = 0; i < index; ++i) {
    p = std::strchr(p, ',');
    if (!p) return std::nullopt;
    ++p;
  }
  const char* end = std::strchr(p, ',');
  return end ? std::string(p, end) : std::string(p);
}

std::optional<std::string> DuplicateText(const char* text) {
  if (!text) return std::nullopt;
  return std::string(text);
}

std::size_t FindIgnoringCase(std::string_view text, std::string_view pattern, std::size_t from) {
  for (std::size_t i = from; i <= text.size() && pattern.size() <= text.size() - i; ++i)
    if (StartsWithIgnoringCase(text.substr(i), pattern)) return i;
  return std::string_view::npos;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (AsciiUpper(text[i]) != AsciiUpper(prefix[i])) return false;
  return true;
}

}  // namespace meridiana
