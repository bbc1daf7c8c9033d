#pragma once
// The About box and the Upgrade note, shown in the program's formatted-text viewer. The About
// page carries what the shipped data's licences require to be shown with it.

#include <QString>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace meridiana {

// The About page: product and version, the build, the Qt version, the memory in use, the
// program's licence and every attribution text of the data folder's SOURCES.md (or of the
// source tree's, when run from the build).
// text gives a string-table text in the interface language (English when null).
using TextLookup = std::function<QString(int stringId)>;
QString AboutHtml(const std::string& sourcesPath, const TextLookup& text = {});

// What Upgrade says: whether the service names a newer version than this copy's (newest is
// none when the service could not be asked), and how a copy is updated.
QString UpgradeHtml(const std::optional<std::string>& newest, const TextLookup& text = {});

}  // namespace meridiana
