#pragma once
// DynString: the growable string the whole program passes around.
//
// The text lives in one heap block laid out as {int32 capacity, int32 length, text...}; the
// object holds a pointer to the text, so data() can go wherever a NUL-terminated string is
// expected. A null pointer is a valid empty string, and every operation that writes creates the
// block on first use. Blocks are created and grown to exactly the capacity needed (never by a
// factor) and never shrunk. Operations that may reallocate take the owner's address; on failure
// (out of memory, length past the 32-bit limit) they return null and leave the old block intact.

#include <cstdint>
#include <string_view>

namespace meridiana {

class DynString {
 public:
  DynString() = default;
  ~DynString();
  DynString(DynString&& other) noexcept : text_(other.text_) { other.text_ = nullptr; }
  DynString& operator=(DynString&& other) noexcept;
  DynString(const DynString&) = delete;
  DynString& operator=(const DynString&) = delete;

  // The text; "" for the null string, never null.
  const char* c_str() const { return text_ ? text_ : ""; }
  // The text pointer itself; null for the null string.
  char* data() { return text_; }
  const char* data() const { return text_; }
  std::int32_t length() const;
  std::int32_t capacity() const;
  bool empty() const { return length() == 0; }
  std::string_view view() const { return {c_str(), static_cast<std::size_t>(length())}; }

 private:
  friend struct DynStringAccess;
  char* text_ = nullptr;
};

// A new string of the given capacity holding ""; its data() is null when out of memory or
// for a negative capacity.
DynString DynStringCreate(std::int32_t capacity);
// Reallocates to the new capacity, keeping the text. A null string is not created, and a block
// is never shrunk. Text pointer, or null.
char* DynStringGrow(DynString* s, std::int32_t newCapacity);

// Copies source (null counts as "").
char* DynStringAssign(DynString* s, const char* source);
// Copies at most n characters; a null source or n <= 0 empties the string.
char* DynStringAssignN(DynString* s, const char* source, std::int32_t n);
// Appends source; a null source changes nothing. A null string is created with one character
// to spare (capacity = source length + 1).
char* DynStringAppend(DynString* s, const char* source);
// Appends at most n characters of source.
char* DynStringAppendN(DynString* s, const char* source, std::int32_t n);
// Appends source up to, not including, the first `stop` (or all of it).
char* DynStringAppendUntil(DynString* s, const char* source, char stop);
// Assigns the part of source before the first `stop` (all of source when it does not occur).
char* DynStringAssignField(DynString* s, const char* source, char stop);

// Ends the text at the last occurrence of c. False when c does not occur or the string is null.
bool DynStringCutAtLast(DynString* s, char c);

// Replace one occurrence (case-sensitive), growing first when the result would not fit. The
// result points just after the inserted text, or is null when find does not occur. A null
// replacement deletes.
char* DynStringReplaceFirst(DynString* s, const char* find, const char* replacement);
char* DynStringReplaceLast(DynString* s, const char* find, const char* replacement);
// Replace every occurrence left to right; the search resumes after each inserted replacement, so
// a replacement is never searched again. Number of replacements (0 when none, or on failure).
int DynStringReplaceAll(DynString* s, const char* find, const char* replacement);
int DynStringReplaceAllNoCase(DynString* s, const char* find, const char* replacement);

// After the text was edited in place through data(): set the length to the measured length.
std::int32_t DynStringSyncLength(DynString* s);

// printf into the string. Number of characters, or -1 when out of memory or given no format.
int DynStringFormat(DynString* s, const char* format, ...) __attribute__((format(printf, 2, 3)));

// application/x-www-form-urlencoded, in place: letters, digits and " *-._" stay, every other
// byte becomes %XX (upper-case hex), then spaces become "+".
char* DynStringUrlEncode(DynString* s);

// Releases the block; the string becomes null.
void DynStringFree(DynString* s);

}  // namespace meridiana
