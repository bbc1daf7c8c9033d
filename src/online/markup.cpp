#include "online/markup.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace meridiana {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool ContainsNoCase(std::string_view text, std::string_view pattern) {
  if (pattern.size() > text.size()) return false;
  for (std::size_t i = 0; i + pattern.size() <= text.size(); ++i) {
    std::size_t j = 0;
    while (j < pattern.size() && Upper(text[i + j]) == Upper(pattern[j])) ++j;
    if (j == pattern.size()) return true;
  }
  return false;
}

// The length of the entity reference at text[at] ("&" ... ";"), or 0 when none starts there: a
// ";" among the 9 characters after the "&", before any blank or the end.
std::size_t EntityLength(std::string_view text, std::size_t at) {
  for (std::size_t i = at + 1; i < text.size() && i <= at + 9; ++i) {
    if (text[i] == ';') return i - at + 1;
    if (IsBlank(text[i])) return 0;
  }
  return 0;
}

// Where the tag that starts at text[at] ends (after its ">"), the first ">" outside double
// quotes; text.size() when there is none. closed tells which.
std::size_t TagEnd(std::string_view text, std::size_t at, bool* closed) {
  bool quoted = false;
  for (std::size_t i = at + 1; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (text[i] == '>' && !quoted) {
      *closed = true;
      return i + 1;
    }
  }
  *closed = false;
  return text.size();
}

// The first `wanted` character at or after a position with an even number of double quotes
// between the two (outside quotes, for a scan that starts there), for positions that only ever
// grow: one answer serves every later position it still lies beyond, so a text full of "<"
// that never close is read a few times over, not once per "<".
class UnquotedFinder {
 public:
  UnquotedFinder(std::string_view text, char wanted) : text_(text), wanted_(wanted) {}

  // npos when there is none.
  std::size_t Next(std::size_t from) {
    const int parity = ParityAt(from);
    Answer& answer = answers_[parity];
    if (answer.valid && answer.from <= from && answer.found >= from) return answer.found;
    std::size_t i = from;
    for (bool quoted = false; i < text_.size(); ++i) {
      if (text_[i] == wanted_ && !quoted) break;
      if (text_[i] == '"') quoted = !quoted;
    }
    answer = {true, from, i < text_.size() ? i : std::string_view::npos};
    return answer.found;
  }

 private:
  struct Answer {
    bool valid = false;
    std::size_t from = 0;
    std::size_t found = 0;  // npos lies beyond every position
  };
  // The double quotes before the position, modulo 2: two positions of the same parity see the
  // same quoting from the later one on.
  int ParityAt(std::size_t position) {
    for (; counted_ < position; ++counted_)
      if (text_[counted_] == '"') parity_ ^= 1;
    return parity_;
  }

  std::string_view text_;
  char wanted_;
  std::size_t counted_ = 0;
  int parity_ = 0;
  Answer answers_[2];  // by parity
};

// text.find(pattern, from) for positions that only ever grow, each stretch searched once.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, std::string_view pattern) : text_(text), pattern_(pattern) {}
  std::size_t Find(std::size_t from) {
    if (!searched_ || from > found_) {
      found_ = text_.find(pattern_, from);
      searched_ = true;
    }
    return found_;
  }

 private:
  std::string_view text_;
  std::string_view pattern_;
  bool searched_ = false;
  std::size_t found_ = 0;
};

// Where the body of a SCRIPT or STYLE element ends: the next "<" followed, after blanks, by
// "/SCRIPT" or "/STYLE" in any case; the end of the text without one.
std::size_t BodyEnd(std::string_view text, std::size_t at, std::string_view endName) {
  for (std::size_t i = text.find('<', at); i != std::string_view::npos; i = text.find('<', i + 1)) {
    std::size_t j = i + 1;
    while (j < text.size() && IsBlank(text[j])) ++j;
    if (j < text.size() && text[j] == '/' &&
        ContainsNoCase(text.substr(j + 1, endName.size()), endName))
      return i;
  }
  return text.size();
}

void AddToken(MarkupTokens& tokens, std::string_view text, int kind, std::size_t offset) {
  if (kind == kMarkupText && !tokens.empty() && tokens.back().kind == kMarkupText) {
    tokens.back().text += text;
    return;
  }
  tokens.push_back({std::string(text), kind, static_cast<int>(offset)});
}

// Text tokens split after every "." that a blank, tab, CR or LF follows.
MarkupTokens SplitSentences(MarkupTokens tokens) {
  MarkupTokens split;
  for (MarkupToken& token : tokens) {
    if (token.kind != kMarkupText) {
      split.push_back(std::move(token));
      continue;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < token.text.size(); ++i) {
      if (token.text[i] != '.' || !IsBlank(token.text[i + 1])) continue;
      split.push_back({token.text.substr(start, i + 1 - start), kMarkupText,
                       token.offset + static_cast<int>(start)});
      start = i + 1;
    }
    split.push_back(
        {token.text.substr(start), kMarkupText, token.offset + static_cast<int>(start)});
  }
  return split;
}

// Skips an attribute value at text[at] (after "="): quoted or bare. Answers where it ends and
// what it holds.
std::size_t ReadValue(std::string_view text, std::size_t at, std::string* value) {
  if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
    const std::size_t close = text.find(text[at], at + 1);
    const std::size_t end = close == std::string_view::npos ? text.size() : close;
    *value = std::string(text.substr(at + 1, end - at - 1));
    return end == text.size() ? end : end + 1;
  }
  std::size_t end = at;
  while (end < text.size() && !IsBlank(text[end]) && text[end] != '>') ++end;
  *value = std::string(text.substr(at, end - at));
  return end;
}

// Every "&quot;" as a double quote.
std::string WithQuotes(std::string_view text) {
  constexpr std::string_view kQuot = "&quot;";
  std::string out;
  std::size_t at = 0;
  for (std::size_t found = text.find(kQuot); found != std::string_view::npos;
       found = text.find(kQuot, at)) {
    out.append(text.substr(at, found - at));
    out += '"';
    at = found + kQuot.size();
  }
  out.append(text.substr(at));
  return out;
}

void AppendUtf8(std::string& out, int code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Removes the tags, putting `by` in place of each.
void ReplaceTags(std::string& text, std::string_view by) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] != '<') {
      out += text[at++];
      continue;
    }
    bool closed = false;
    at = TagEnd(text, at, &closed);
    out += by;
  }
  text = std::move(out);
}

}  // namespace

MarkupTokens ScanMarkup(std::string_view text, int options) {
  MarkupTokens tokens;
  // Positions only grow while scanning, so each search picks up where the last one stopped.
  UnquotedFinder tagClose(text, '>');
  UnquotedFinder tagOpening(text, '<');
  ForwardFinder commentEnd(text, "-->");
  ForwardFinder commentOtherEnd(text, "-!>");
  ForwardFinder commentLastResort(text, ">");
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t start = at;
    if (text[at] == '&') {
      if (const std::size_t length = EntityLength(text, at)) {
        AddToken(tokens, text.substr(at, length), kMarkupEntity, at);
        at += length;
        continue;
      }
    } else if (text.substr(at, 4) == "<!--") {
      std::size_t end = commentEnd.Find(at + 4);
      std::size_t endLength = 3;
      if (end == std::string_view::npos) end = commentOtherEnd.Find(at + 4);
      if (end == std::string_view::npos) {
        end = commentLastResort.Find(at + 4);
        endLength = 1;
      }
      at = end == std::string_view::npos ? text.size() : end + endLength;
      AddToken(tokens, text.substr(start, at - start), kMarkupComment, start);
      continue;
    } else if (text[at] == '<') {
      const std::size_t close = tagClose.Next(at + 1);
      const bool closed = close != std::string_view::npos;
      const std::size_t end = closed ? close + 1 : text.size();
      const std::string_view tag = text.substr(at, end - at);
      std::size_t name = 1;
      while (name < tag.size() && IsBlank(tag[name])) ++name;
      int kind = kMarkupOtherTag;
      if (name < tag.size() && tag[name] == '!') {
        if (ContainsNoCase(tag, "DOCTYPE")) {
          kind = kMarkupOtherTag;
        } else if ((name + 1 >= tag.size() || tag[name + 1] != '-') &&
                   ContainsNoCase(tag, "CDATA[")) {
          kind = kMarkupText;
        } else {
          kind = kMarkupComment;
        }
      } else {
        // No name of the table is longer than this: a longer word need not be read to its end.
        constexpr std::size_t kLongestName = 11;  // with its "/"
        std::size_t nameEnd = name;
        const std::size_t limit =
            std::min(closed ? tag.size() - 1 : tag.size(), name + kLongestName + 1);
        while (nameEnd < limit && tag[nameEnd] != ' ') ++nameEnd;
        std::string_view word = tag.substr(name, nameEnd - name);
        const bool endTag = !word.empty() && word.front() == '/';
        if (endTag) word.remove_prefix(1);
        const int number = MarkupTagNumber(word);
        if (number != 0) {
          kind = endTag ? -number : number;
        } else if (!closed || tagOpening.Next(at + 1) < end) {
          // The "<" is only a character.
          AddToken(tokens, "<", kMarkupText, at);
          ++at;
          continue;
        }
      }
      AddToken(tokens, tag, kind, at);
      at = end;
      if (kind == kTagScript || kind == kTagStyle) {
        const std::size_t bodyEnd = BodyEnd(text, at, kind == kTagScript ? "SCRIPT" : "STYLE");
        if (bodyEnd > at) {
          AddToken(tokens, text.substr(at, bodyEnd - at),
                   kind == kTagScript ? kMarkupScriptBody : kMarkupStyleBody, at);
        }
        at = bodyEnd;
      }
      continue;
    }
    // Text, up to the next "<" or an "&" that starts a reference.
    std::size_t end = at + 1;
    while (end < text.size() && text[end] != '<' &&
           !(text[end] == '&' && EntityLength(text, end) != 0))
      ++end;
    AddToken(tokens, text.substr(start, end - start), kMarkupText, start);
    at = end;
  }
  return (options & kMarkupSplitSentences) != 0 ? SplitSentences(std::move(tokens)) : tokens;
}

std::optional<std::string> TagName(const MarkupToken& token) {
  const std::size_t open = token.text.find('<');
  if (open == std::string::npos) return std::nullopt;
  std::size_t at = open + 1;
  while (at < token.text.size() && token.text[at] == ' ') ++at;
  std::size_t end = at;
  while (end < token.text.size() && !IsBlank(token.text[end]) && token.text[end] != '>') ++end;
  return token.text.substr(at, end - at);
}

std::optional<std::string> AttributeValue(const MarkupToken& token, std::string_view name) {
  const std::string_view text = token.text;
  std::size_t at = 0;
  while (at < text.size() && (IsBlank(text[at]) || text[at] == '<')) ++at;
  while (at < text.size() && !IsBlank(text[at]) && text[at] != '>') ++at;  // the tag's name
  while (at < text.size()) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at >= text.size() || text[at] == '>') break;
    std::size_t end = at;
    while (end < text.size() && !IsBlank(text[end]) && text[end] != '=' && text[end] != '>') ++end;
    const std::string_view attribute = text.substr(at, end - at);
    at = end;
    while (at < text.size() && IsBlank(text[at])) ++at;
    const bool withValue = at < text.size() && text[at] == '=';
    std::string value(attribute);
    if (withValue) {
      ++at;
      while (at < text.size() && IsBlank(text[at])) ++at;
      at = ReadValue(text, at, &value);
    } else if (attribute.empty()) {
      ++at;  // a stray character: step over it
      continue;
    }
    bool same = attribute.size() == name.size();
    for (std::size_t i = 0; same && i < name.size(); ++i)
      same = Upper(attribute[i]) == Upper(name[i]);
    if (!same) continue;
    return WithQuotes(value);
  }
  return std::nullopt;
}

long AttributeInt(const MarkupToken& token, std::string_view name) {
  const std::optional<std::string> value = AttributeValue(token, name);
  return value ? std::strtol(value->c_str(), nullptr, 10) : 0;
}

const MarkupToken* FindTokenOfKind(const MarkupTokens& tokens, int kind, std::size_t from) {
  for (std::size_t i = from; i < tokens.size(); ++i)
    if (tokens[i].kind == kind) return &tokens[i];
  return nullptr;
}

void DecodeEntities(std::string& text) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    // A name is at most 8 characters: the ";" is looked for no further.
    const std::size_t semicolon = text[at] == '&'
                                      ? std::string_view(text).substr(0, at + 10).find(';', at + 1)
                                      : std::string::npos;
    if (semicolon == std::string::npos || semicolon == at + 1) {
      out += text[at++];
      continue;
    }
    const std::string name = text.substr(at + 1, semicolon - at - 1);
    int code = 0;
    if (name.size() >= 2 && name[0] == '#') {
      const int n = std::atoi(name.c_str() + 1) % 256;
      char written[8];
      std::snprintf(written, sizeof written, "#%03i", n);
      if (n > 0 && name == written) code = n;
    } else {
      code = EntityCharacter(name);
    }
    if (code == 0) {
      out += text[at++];
      continue;
    }
    AppendUtf8(out, code);
    at = semicolon + 1;
  }
  text = std::move(out);
}

void StripTags(std::string& text) { ReplaceTags(text, ""); }

void StripTagsToBlanks(std::string& text) {
  ReplaceTags(text, " ");
  DecodeEntities(text);
}

}  // namespace meridiana
