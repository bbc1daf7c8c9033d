#pragma once
// The About box and the Upgrade note, shown in the program's formatted-text viewer. The About
// page carries what the shipped data's licences require to be shown with it.

#include <QString>
#include <string>

class QWidget;

namespace meridiana {

// The About page: product and version, the build, the Qt version, the memory in use, the
// program's licence and every attribution text of the data folder's SOURCES.md (or of the
// source tree's, when run from the build).
QString AboutHtml(const std::string& sourcesPath);

// How this copy is kept up to date, until the program can look for a newer version itself.
QString UpgradeHtml();

}  // namespace meridiana
