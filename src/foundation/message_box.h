#pragma once
// printf-style modal message boxes with an OK button, shown through a UserNotice.

namespace meridiana {

class UserNotice;

// Shows the formatted text with the caption "Error". 1 when a box was shown; 0 for a null
// format or notice, or when the text could not be formatted.
int ErrorBox(UserNotice* notice, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The same with the given caption (a null caption shows as empty).
int MessageBoxCaptioned(UserNotice* notice, const char* caption, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

}  // namespace meridiana
