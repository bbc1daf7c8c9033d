#pragma once
// Where an installed or staged program finds its read-only data. Installed, the programs sit in
// <prefix>/bin (the helper meridiana-cli-qt in <prefix>/libexec/meridiana) and the data in
// <prefix>/share/meridiana, found relative to the program so the whole tree can move. In the
// build tree the programs and their data share the staging folder.

#include <string>
#include <string_view>

namespace meridiana {

// The folder of the running executable (its real path, links resolved); "." when unknown.
std::string ExecutableFolder();

// The data folder that belongs to a program in `executableFolder`: <prefix>/share/meridiana when
// the program sits in <prefix>/bin or <prefix>/libexec/meridiana and that folder exists, else
// the program's own folder (the build tree's staging folder).
std::string DataFolderBeside(std::string_view executableFolder);

// Where the helper program `name` (one the user does not call) lives next to a program in
// `executableFolder`: <prefix>/libexec/meridiana/<name> for an installed program, else beside it.
std::string HelperProgramBeside(std::string_view executableFolder, std::string_view name);

}  // namespace meridiana
