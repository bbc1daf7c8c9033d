#include "service/picture_validators.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "foundation/file_util.h"
#include "service/data_folder.h"

namespace meridiana::service {
namespace {

constexpr std::size_t kMaxLines = 64;

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

bool Clean(const std::string& text) {
  return std::none_of(text.begin(), text.end(),
                      [](char c) { return c == '\t' || c == '\n' || c == '\r'; });
}

}  // namespace

std::uint64_t PictureDigest(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  return hash;
}

std::optional<PictureValidators> ReadPictureValidators(const std::string& dataFolder,
                                                       const std::string& url) {
  const std::optional<std::string> text =
      ReadWholeFile(InFolder(dataFolder, kPictureValidatorsFile).c_str());
  if (!text) return std::nullopt;
  std::istringstream lines(*text);
  std::string line;
  while (std::getline(lines, line)) {
    const std::vector<std::string> fields = Fields(line);
    if (fields.size() != 5 || fields[0] != url) continue;
    PictureValidators validators;
    char* end = nullptr;
    validators.instant = std::strtoll(fields[1].c_str(), &end, 10);
    if (fields[1].empty() || *end) return std::nullopt;
    validators.digest = std::strtoull(fields[2].c_str(), &end, 10);
    if (fields[2].empty() || *end) return std::nullopt;
    validators.etag = fields[3];
    validators.lastModified = fields[4];
    return validators;
  }
  return std::nullopt;
}

bool WritePictureValidators(const std::string& dataFolder, const std::string& url,
                            const PictureValidators& validators) {
  const std::string path = InFolder(dataFolder, kPictureValidatorsFile);
  std::string kept;
  std::size_t count = 0;
  if (const std::optional<std::string> text = ReadWholeFile(path.c_str())) {
    std::istringstream lines(*text);
    std::string line;
    while (std::getline(lines, line) && count < kMaxLines - 1) {
      if (line.empty() || Fields(line)[0] == url) continue;
      kept += line;
      kept += '\n';
      ++count;
    }
  }
  if (!Clean(url)) return false;
  const bool clean = Clean(validators.etag) && Clean(validators.lastModified);
  kept += url;
  kept += '\t';
  kept += std::to_string(validators.instant);
  kept += '\t';
  kept += std::to_string(validators.digest);
  kept += '\t';
  if (clean) kept += validators.etag;
  kept += '\t';
  if (clean) kept += validators.lastModified;
  kept += '\n';
  return WriteWholeFile(path.c_str(), kept.data(), kept.size());
}

}  // namespace meridiana::service
