#pragma once
// What every markup reply of the online service passes through: an ERROR element stops the
// cloud animation and shows the service's own text; its n says whether the reply is refused.

#include <string>
#include <string_view>

#include "online/markup.h"

namespace meridiana {

class ServiceReplyHost {
 public:
  virtual ~ServiceReplyHost() = default;
  virtual void StopCloudAnimation() = 0;
  // The "Error" box with the text exactly as the service wrote it.
  virtual void ShowServiceError(std::string_view text) = 0;
};

// The n of the first ERROR element with a non-zero n, else 0. Each ERROR element met on the way
// (up to that one) stops the animation and shows the text after it, up to the next tag, its
// entities decoded.
long CheckReply(std::string_view text, ServiceReplyHost& host);

// The text with its first "%s" replaced by the value, as text: a translation is never a format.
std::string FillPlaceholder(std::string_view text, std::string_view value);

// Whether the token is a tag of that name, in any letter case.
bool TagIs(const MarkupToken& token, std::string_view name);
// An attribute's leading decimal floating-point number; 0 when missing or not a number. An
// infinity or NaN written as such, or a number out of range, comes back not finite, for the
// caller to drop.
float AttributeFloat(const MarkupToken& token, std::string_view name);

}  // namespace meridiana
