#include "service/data_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "foundation/file_util.h"
#include "service/reply_documents.h"

namespace meridiana::service {
namespace {

bool MakeFolder(const std::string& path, std::string* error) {
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  struct stat info {};
  if (errno == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return true;
  *error = "cannot create the folder " + path + ": " + std::strerror(errno);
  return false;
}

bool WriteIfDifferent(const std::string& path, const std::string& content, std::string* error) {
  const std::optional<std::string> old = ReadWholeFile(path.c_str());
  if (old && *old == content) return true;
  if (WriteWholeFile(path.c_str(), content.data(), content.size())) return true;
  *error = "cannot write " + path + ": " + std::strerror(errno);
  return false;
}

}  // namespace

std::string ListFile(int n) { return "clouds/list-" + std::to_string(n) + ".xml"; }

std::string FrameFile(std::string_view t) { return "clouds/" + std::string(t) + ".jpg"; }

std::string NotFoundDocument() { return ErrorDocument(404, "Not found"); }

std::string BadTimeDocument() {
  return ErrorDocument(400, "Invalid t: a frame time is 10 to 32 digits, YYYYMMDDHH first (UTC)");
}

std::string BadCountDocument() {
  return ErrorDocument(400, "Invalid n: the number of frames is a whole number from 1 up");
}

std::string BadRequestDocument() {
  return ErrorDocument(400, "Invalid request: ask with checkonly=1 or f=1");
}

std::string ProgramVersion() { return MERIDIANA_VERSION; }

std::string InFolder(const std::string& folder, std::string_view relative) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  path += relative;
  return path;
}

bool PrepareDataFolder(const std::string& folder, std::string* error) {
  if (!MakeFolder(folder, error) || !MakeFolder(InFolder(folder, kCloudsFolder), error) ||
      !MakeFolder(InFolder(folder, kErrorsFolder), error))
    return false;
  if (!WriteIfDifferent(InFolder(folder, kNotFoundFile), NotFoundDocument(), error) ||
      !WriteIfDifferent(InFolder(folder, kBadTimeFile), BadTimeDocument(), error) ||
      !WriteIfDifferent(InFolder(folder, kBadCountFile), BadCountDocument(), error) ||
      !WriteIfDifferent(InFolder(folder, kBadRequestFile), BadRequestDocument(), error))
    return false;
  const std::string version = InFolder(folder, kVersionFile);
  if (FileExists(version.c_str())) return true;
  const std::string line = ProgramVersion() + "\n";
  return WriteIfDifferent(version, line, error);
}

}  // namespace meridiana::service
