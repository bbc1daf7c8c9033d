#include "foundation/dyn_string.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "foundation/text_format.h"
#include "foundation/text_util.h"

namespace meridiana {

struct DynStringAccess {
  static char*& Text(DynString* s) { return s->text_; }
};

namespace {

struct Header {
  std::int32_t capacity;
  std::int32_t length;
};
static_assert(sizeof(Header) == 8);

constexpr std::int64_t kMaxCapacity = std::numeric_limits<std::int32_t>::max() - 16;

Header* HeaderOf(char* text) { return reinterpret_cast<Header*>(text - sizeof(Header)); }

char* Allocate(std::int64_t capacity) {
  if (capacity < 0 || capacity > kMaxCapacity) return nullptr;
  void* block = std::malloc(sizeof(Header) + static_cast<std::size_t>(capacity) + 1);
  if (!block) return nullptr;
  auto* header = static_cast<Header*>(block);
  header->capacity = static_cast<std::int32_t>(capacity);
  header->length = 0;
  char* text = static_cast<char*>(block) + sizeof(Header);
  text[0] = '\0';
  return text;
}

void Release(char* text) {
  if (text) std::free(text - sizeof(Header));
}

// Makes sure the block exists and holds at least `needed` characters, growing to exactly that.
// Null when out of memory; the old block then stays as it was.
char* Reserve(DynString* s, std::int64_t needed) {
  char*& text = DynStringAccess::Text(s);
  if (!text) {
    text = Allocate(needed);
    return text;
  }
  if (needed <= HeaderOf(text)->capacity) return text;
  if (needed > kMaxCapacity) return nullptr;
  void* block =
      std::realloc(text - sizeof(Header), sizeof(Header) + static_cast<std::size_t>(needed) + 1);
  if (!block) return nullptr;
  static_cast<Header*>(block)->capacity = static_cast<std::int32_t>(needed);
  text = static_cast<char*>(block) + sizeof(Header);
  return text;
}

void SetLength(char* text, std::int64_t length) {
  HeaderOf(text)->length = static_cast<std::int32_t>(length);
  text[length] = '\0';
}

// True when p points into the string's own block (a source taken from the string itself must be
// copied before the block may move).
bool Aliases(const DynString* s, const char* p) {
  const char* text = s->data();
  if (!text || !p) return false;
  const std::less<const char*> before;
  return !before(p, text) && before(p, text + s->capacity() + 1);
}

std::size_t BoundedLength(const char* source, std::int64_t n) {
  if (!source || n <= 0) return 0;
  return strnlen(source, static_cast<std::size_t>(n));
}

// Sets the string to `count` characters of source (which may lie inside the string).
char* AssignBytes(DynString* s, const char* source, std::size_t count) {
  if (Aliases(s, source)) {
    // Shorter than or as long as the text: fits without growing.
    char* text = s->data();
    std::memmove(text, source, count);
    SetLength(text, static_cast<std::int64_t>(count));
    return text;
  }
  char* text = Reserve(s, static_cast<std::int64_t>(count));
  if (!text) return nullptr;
  if (count) std::memcpy(text, source, count);
  SetLength(text, static_cast<std::int64_t>(count));
  return text;
}

char* AppendBytes(DynString* s, const char* source, std::size_t count, std::int64_t extraOnCreate) {
  std::string copy;
  if (Aliases(s, source)) {
    copy.assign(source, count);
    source = copy.data();
  }
  const std::int64_t length = s->length();
  const std::int64_t needed = length + static_cast<std::int64_t>(count);
  char* text = Reserve(s, s->data() ? needed : needed + extraOnCreate);
  if (!text) return nullptr;
  if (count) std::memcpy(text + length, source, count);
  SetLength(text, needed);
  return text;
}

bool IsUrlSafe(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ' ||
         c == '*' || c == '-' || c == '.' || c == '_';
}

char* ReplaceOne(DynString* s, const char* find, const char* replacement, bool last) {
  if (!s || !s->data() || !find || !*find) return nullptr;
  const std::string findCopy(find);
  const std::string replacementCopy(replacement ? replacement : "");
  char* text = s->data();
  const char* hit = last ? FindLast(text, findCopy.c_str()) : std::strstr(text, findCopy.c_str());
  if (!hit) return nullptr;
  const std::int64_t at = hit - text;
  const std::int64_t length = s->length();
  const std::int64_t newLength = length - static_cast<std::int64_t>(findCopy.size()) +
                                 static_cast<std::int64_t>(replacementCopy.size());
  text = Reserve(s, newLength);
  if (!text) return nullptr;
  const std::int64_t tail = at + static_cast<std::int64_t>(findCopy.size());
  std::memmove(text + at + replacementCopy.size(), text + tail,
               static_cast<std::size_t>(length - tail));
  std::memcpy(text + at, replacementCopy.data(), replacementCopy.size());
  SetLength(text, newLength);
  return text + at + replacementCopy.size();
}

bool MatchAt(const char* text, const std::string& find, bool noCase) {
  if (!noCase) return std::strncmp(text, find.c_str(), find.size()) == 0;
  for (std::size_t i = 0; i < find.size(); ++i) {
    if (!text[i] || AsciiUpper(text[i]) != AsciiUpper(find[i])) return false;
  }
  return true;
}

int ReplaceEvery(DynString* s, const char* find, const char* replacement, bool noCase) {
  if (!s || !s->data() || !find || !*find) return 0;
  const std::string findCopy(find);
  const std::string replacementCopy(replacement ? replacement : "");
  const char* text = s->data();
  const std::size_t length = static_cast<std::size_t>(s->length());

  // Searching resumes after each inserted replacement, which is the same as collecting the
  // non-overlapping matches of the original text from left to right.
  std::vector<std::size_t> hits;
  for (std::size_t i = 0; i + findCopy.size() <= length;) {
    if (MatchAt(text + i, findCopy, noCase)) {
      hits.push_back(i);
      i += findCopy.size();
    } else {
      ++i;
    }
  }
  if (hits.empty()) return 0;

  std::string result;
  result.reserve(length + hits.size() * replacementCopy.size());
  std::size_t from = 0;
  for (std::size_t at : hits) {
    result.append(text + from, at - from);
    result.append(replacementCopy);
    from = at + findCopy.size();
  }
  result.append(text + from, length - from);
  if (static_cast<std::int64_t>(result.size()) > kMaxCapacity) return 0;
  if (!AssignBytes(s, result.data(), result.size())) return 0;
  return static_cast<int>(hits.size());
}

}  // namespace

DynString::~DynString() { Release(text_); }

DynString& DynString::operator=(DynString&& other) noexcept {
  if (this != &other) {
    Release(text_);
    text_ = other.text_;
    other.text_ = nullptr;
  }
  return *this;
}

std::int32_t DynString::length() const { return text_ ? HeaderOf(text_)->length : 0; }

std::int32_t DynString::capacity() const { return text_ ? HeaderOf(text_)->capacity : 0; }

DynString DynStringCreate(std::int32_t capacity) {
  DynString s;
  DynStringAccess::Text(&s) = Allocate(capacity);
  return s;
}

char* DynStringGrow(DynString* s, std::int32_t newCapacity) {
  if (!s || !s->data() || newCapacity < 0) return nullptr;
  return Reserve(s, newCapacity);
}

char* DynStringAssign(DynString* s, const char* source) {
  if (!s) return nullptr;
  return AssignBytes(s, source ? source : "", source ? std::strlen(source) : 0);
}

char* DynStringAssignN(DynString* s, const char* source, std::int32_t n) {
  if (!s) return nullptr;
  return AssignBytes(s, source ? source : "", BoundedLength(source, n));
}

char* DynStringAppend(DynString* s, const char* source) {
  if (!s) return nullptr;
  if (!source) return s->data();
  // A string created by appending gets room for one more character.
  return AppendBytes(s, source, std::strlen(source), 1);
}

char* DynStringAppendN(DynString* s, const char* source, std::int32_t n) {
  if (!s) return nullptr;
  if (!source) return s->data();
  return AppendBytes(s, source, BoundedLength(source, n), 0);
}

char* DynStringAppendUntil(DynString* s, const char* source, char stop) {
  if (!s) return nullptr;
  if (!source) return s->data();
  const char* end = std::strchr(source, stop);
  const std::size_t count = end ? static_cast<std::size_t>(end - source) : std::strlen(source);
  return AppendBytes(s, source, count, 0);
}

char* DynStringAssignField(DynString* s, const char* source, char stop) {
  if (!s) return nullptr;
  if (!source) return AssignBytes(s, "", 0);
  const char* end = std::strchr(source, stop);
  const std::size_t count = end ? static_cast<std::size_t>(end - source) : std::strlen(source);
  return AssignBytes(s, source, count);
}

bool DynStringCutAtLast(DynString* s, char c) {
  if (!s || !s->data() || c == '\0') return false;
  char* text = s->data();
  char* at = std::strrchr(text, c);
  if (!at) return false;
  SetLength(text, at - text);
  return true;
}

char* DynStringReplaceFirst(DynString* s, const char* find, const char* replacement) {
  return ReplaceOne(s, find, replacement, false);
}

char* DynStringReplaceLast(DynString* s, const char* find, const char* replacement) {
  return ReplaceOne(s, find, replacement, true);
}

int DynStringReplaceAll(DynString* s, const char* find, const char* replacement) {
  return ReplaceEvery(s, find, replacement, false);
}

int DynStringReplaceAllNoCase(DynString* s, const char* find, const char* replacement) {
  return ReplaceEvery(s, find, replacement, true);
}

std::int32_t DynStringSyncLength(DynString* s) {
  if (!s || !s->data()) return 0;
  char* text = s->data();
  const std::size_t length = strnlen(text, static_cast<std::size_t>(s->capacity()) + 1);
  // An in-place edit that lost the terminator is cut at the capacity.
  SetLength(text, static_cast<std::int64_t>(
                      length > static_cast<std::size_t>(s->capacity()) ? s->capacity() : length));
  return s->length();
}

int DynStringFormat(DynString* s, const char* format, ...) {
  if (!s || !format) return -1;
  va_list args;
  va_start(args, format);
  const std::optional<std::string> text = FormatTextV(format, args);
  va_end(args);
  if (!text || static_cast<std::int64_t>(text->size()) > kMaxCapacity) return -1;
  if (!AssignBytes(s, text->data(), text->size())) return -1;
  return static_cast<int>(text->size());
}

char* DynStringUrlEncode(DynString* s) {
  if (!s || !s->data()) return nullptr;
  const std::int64_t length = s->length();
  char* text = Reserve(s, 3 * length + 3);
  if (!text) return nullptr;
  static constexpr char kHex[] = "0123456789ABCDEF";
  // Encode from the back so the text can be rewritten in place.
  std::int64_t out = 0;
  for (std::int64_t i = 0; i < length; ++i) {
    out += IsUrlSafe(static_cast<unsigned char>(text[i])) ? 1 : 3;
  }
  std::int64_t w = out;
  for (std::int64_t i = length - 1; i >= 0; --i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsUrlSafe(c)) {
      text[--w] = c == ' ' ? '+' : static_cast<char>(c);
    } else {
      text[--w] = kHex[c & 0x0F];
      text[--w] = kHex[c >> 4];
      text[--w] = '%';
    }
  }
  SetLength(text, out);
  return text;
}

void DynStringFree(DynString* s) {
  if (!s) return;
  Release(DynStringAccess::Text(s));
  DynStringAccess::Text(s) = nullptr;
}

}  // namespace meridiana
