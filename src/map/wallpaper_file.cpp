#include "map/wallpaper_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "map/dib_ops.h"

namespace meridiana {
namespace {

// The file written last, by its change time; a missing file is older than any.
bool NewerThan(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  if (stat(a.c_str(), &first) != 0) return false;
  if (stat(b.c_str(), &second) != 0) return true;
  if (first.st_mtim.tv_sec != second.st_mtim.tv_sec)
    return first.st_mtim.tv_sec > second.st_mtim.tv_sec;
  return first.st_mtim.tv_nsec > second.st_mtim.tv_nsec;
}

// The folder part of a path whose last part is one of the two file names; none otherwise.
std::optional<std::string> FolderOfWallpaperFile(const std::string& path) {
  for (const std::string name : {kWallpaperFileName, kSecondWallpaperFileName}) {
    if (path.size() >= name.size() + 1 &&
        path.compare(path.size() - name.size(), name.size(), name) == 0 &&
        path[path.size() - name.size() - 1] == '/')
      return path.substr(0, path.size() - name.size() - 1);
  }
  return std::nullopt;
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

bool IsWallpaperFileIn(const std::string& path, const std::string& folder) {
  const std::optional<std::string> its = FolderOfWallpaperFile(path);
  if (!its || folder.empty()) return false;
  if (WithoutTrailingSlashes(*its) == WithoutTrailingSlashes(folder)) return true;
  struct stat a {};
  struct stat b {};
  return ::stat(its->empty() ? "/" : its->c_str(), &a) == 0 && ::stat(folder.c_str(), &b) == 0 &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::optional<std::string> WriteWallpaperFile(const Dib* composed, int width,
                                              const std::string& folder) {
  if (composed == nullptr) return std::nullopt;
  const std::string first = folder + "/" + kWallpaperFileName;
  const std::string second = folder + "/" + kSecondWallpaperFileName;
  const bool secondIsNext = NewerThan(first, second);
  const std::string& path = secondIsNext ? second : first;
  bool written = false;
  if (width > 0) {
    // The map is twice as wide as high; so is every wallpaper made from it.
    const DibPtr scaled = DibScale(composed, width, std::max(1, width / 2));
    written = scaled && DibSaveBmp(scaled.get(), path.c_str());
  } else {
    written = DibSaveBmp(composed, path.c_str());
  }
  if (!written) return std::nullopt;
  return path;
}

void RemoveOtherWallpaperFile(const std::string& written) {
  const std::size_t slash = written.rfind('/');
  if (slash == std::string::npos || !FolderOfWallpaperFile(written)) return;
  const std::string folder = written.substr(0, slash);
  const bool isFirst = written.substr(slash + 1) == kWallpaperFileName;
  ::unlink((folder + "/" + (isFirst ? kSecondWallpaperFileName : kWallpaperFileName)).c_str());
}

}  // namespace meridiana
