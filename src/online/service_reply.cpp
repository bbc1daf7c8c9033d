#include "online/service_reply.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "foundation/text_util.h"

namespace meridiana {

std::string FillPlaceholder(std::string_view text, std::string_view value) {
  std::string filled(text);
  if (const std::size_t at = filled.find("%s"); at != std::string::npos)
    filled.replace(at, 2, value);
  return filled;
}

bool TagIs(const MarkupToken& token, std::string_view name) {
  if (token.kind == kMarkupText || token.kind == kMarkupComment) return false;
  const std::optional<std::string> tag = TagName(token);
  return tag && tag->size() == name.size() && StartsWithIgnoringCase(*tag, name);
}

float AttributeFloat(const MarkupToken& token, std::string_view name) {
  const std::optional<std::string> value = AttributeValue(token, name);
  if (!value) return 0.0f;
  // Not strtof: the window runs under the desktop's locale, where the decimal point may be ",".
  std::string_view text = *value;
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  float number = 0.0f;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error == std::errc::result_out_of_range) return std::numeric_limits<float>::infinity();
  return error == std::errc() ? number : 0.0f;
}

long CheckReply(std::string_view text, ServiceReplyHost& host) {
  if (text.empty()) return 0;
  const MarkupTokens tokens = ScanMarkup(text, 0);
  long result = 0;
  for (std::size_t i = 0; i < tokens.size() && result == 0; ++i) {
    if (!TagIs(tokens[i], "ERROR")) continue;
    host.StopCloudAnimation();
    result = AttributeInt(tokens[i], "n");
    // The element's text: an entity is a token of its own, so the message runs on to the next
    // tag, and reads as the service meant it ("&amp;" is "&"), never as a format.
    std::string message;
    for (std::size_t j = i + 1; j < tokens.size(); ++j) {
      if (tokens[j].kind != kMarkupText && tokens[j].kind != kMarkupEntity) break;
      message += tokens[j].text;
    }
    if (i + 1 < tokens.size()) {
      DecodeEntities(message);
      host.ShowServiceError(message);
    }
  }
  return result;
}

}  // namespace meridiana
