#pragma once
// Search, replace and copy helpers on plain NUL-terminated buffers. Text is 8-bit; letter case
// is ASCII only. Null arguments are tolerated: a null source reads as empty text.

#include <optional>
#include <string>
#include <string_view>

namespace meridiana {

inline char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// Last occurrence of find in text, or null (also for an empty find).
const char* FindLast(const char* text, const char* find);

// First occurrence of pattern ignoring letter case, or null. An empty pattern matches at text.
const char* FindNoCase(const char* text, const char* pattern);
inline char* FindNoCase(char* text, const char* pattern) {
  return const_cast<char*>(FindNoCase(static_cast<const char*>(text), pattern));
}

// The same on byte ranges that may hold zero bytes (network replies): the offset of the first
// occurrence at or after `from`, or npos.
std::size_t FindIgnoringCase(std::string_view text, std::string_view pattern, std::size_t from = 0);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

// Replace one occurrence in a buffer the caller guarantees room in, shifting the tail. A null
// replacement deletes. Pointer just after the inserted text, or null when the buffer or find is
// empty or null, or find does not occur.
char* ReplaceFirstInPlace(char* buffer, const char* find, const char* replacement);
char* ReplaceLastInPlace(char* buffer, const char* find, const char* replacement);
char* ReplaceFirstNoCaseInPlace(char* buffer, const char* find, const char* replacement);

int CountChar(const char* text, char c);

// Copy at most n characters and always terminate (destination holds n + 1). A negative n or a
// null source gives "".
char* CopyN(char* destination, const char* source, int n);
// Copy up to, not including, the first `stop` (and at most n characters), terminated.
char* CopyUntil(char* destination, const char* source, char stop);
char* CopyUntilN(char* destination, const char* source, char stop, int n);
// Append to a NUL-terminated destination up to the first `stop`.
char* AppendUntil(char* destination, const char* source, char stop);

// What follows the first `open` up to the next `close` (or the end); nothing when `open` does not
// occur. BetweenUnquoted looks for `close` only outside runs in single or double quotes.
std::optional<std::string> Between(const char* text, char open, char close);
std::optional<std::string> BetweenUnquoted(const char* text, char open, char close);

// First `c` outside runs enclosed in single or double quotes, or null.
const char* FindUnquoted(const char* text, char c);

// Removes trailing CR, LF and spaces in place; returns text.
char* TrimRight(char* text);
void TrimRight(std::string* text);

// The text without control characters (bytes below 32, and 127) and without the bytes of
// `drop`, cut to at most maxBytes without splitting a UTF-8 character: text from elsewhere made
// fit for one line of a file.
std::string PlainTextLine(std::string_view text, std::size_t maxBytes, std::string_view drop = {});

// The index-th (from 0) comma-separated field, or nothing when there are fewer fields. An empty
// field gives "".
std::optional<std::string> CommaField(const char* text, int index);

// A copy of the text, or nothing for null.
std::optional<std::string> DuplicateText(const char* text);

}  // namespace meridiana
