#pragma once
// A fresh directory under $TMPDIR (or /tmp) for one test, removed with everything in it.

#include <string>
#include <string_view>

namespace meridiana {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string File(std::string_view name) const;
  // Writes a file in the directory (parents must exist); returns its path.
  std::string Write(std::string_view name, std::string_view content) const;

 private:
  std::string path_;
};

// Restores an environment variable (or its absence) when it goes out of scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool hadOld_;
};

}  // namespace meridiana
