#pragma once
// The one place where the core's UTF-8 bytes become Qt strings and back.

#include <QString>
#include <string>
#include <string_view>

namespace meridiana {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace meridiana
