#include "foundation/message_box.h"

#include <cstdarg>

#include "foundation/text_format.h"
#include "foundation/user_notice.h"

namespace meridiana {
namespace {

int Show(UserNotice* notice, const char* caption, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));

int Show(UserNotice* notice, const char* caption, const char* format, va_list args) {
  if (!notice || !format) return 0;
  const std::optional<std::string> text = FormatTextV(format, args);
  if (!text) return 0;
  notice->ShowMessage(caption ? caption : "", *text);
  return 1;
}

}  // namespace

int ErrorBox(UserNotice* notice, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int shown = Show(notice, "Error", format, args);
  va_end(args);
  return shown;
}

int MessageBoxCaptioned(UserNotice* notice, const char* caption, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int shown = Show(notice, caption, format, args);
  va_end(args);
  return shown;
}

}  // namespace meridiana
