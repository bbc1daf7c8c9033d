#include "service/cloud_ingest.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "foundation/file_util.h"
#include "service/data_folder_lock.h"
#include "map/dib_ops.h"
#include "map/image_load.h"
#include "map/jpeg_writer.h"
#include "online/markup.h"
#include "service/data_folder.h"
#include "service/frame_time.h"
#include "service/list_provenance.h"

namespace meridiana::service {
namespace {

struct Candidate {
  std::string t;
  long long minutes = 0;
  std::string picturePath;  // a new picture from a file
  DibPtr picture;           // a new picture from memory
  FrameEntry listed;        // the frame already in the folder
  std::string jpeg;         // the new frame's bytes, once encoded
  bool IsNew() const { return !picturePath.empty() || picture != nullptr; }
};

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

bool IsRegularFile(const std::string& path, long long* size = nullptr) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (size) *size = static_cast<long long>(info.st_size);
  return true;
}

std::optional<std::string> TokenAttribute(const MarkupToken& token, std::string_view name) {
  return AttributeValue(token, name);
}

bool EncodeFrame(Candidate* candidate, int quality, std::string* error) {
  const std::string label =
      candidate->picturePath.empty() ? "the picture of " + candidate->t : candidate->picturePath;
  DibPtr picture = candidate->picturePath.empty()
                       ? std::move(candidate->picture)
                       : DibLoad(candidate->picturePath.c_str(), kMapPictureMaxPixels);
  if (!picture) {
    *error = label + ": not a picture the loader reads (PNG, JPEG, GIF, BMP)";
    return false;
  }
  if (!IsEquirectangularSize(DibWidth(picture.get()), DibHeight(picture.get()))) {
    *error = label + ": " + std::to_string(DibWidth(picture.get())) + " x " +
             std::to_string(DibHeight(picture.get())) +
             " is not an equirectangular picture (twice as wide as high)";
    return false;
  }
  DibPtr frame = DibWidth(picture.get()) == kFrameWidth && DibHeight(picture.get()) == kFrameHeight
                     ? std::move(picture)
                     : DibScale(picture.get(), kFrameWidth, kFrameHeight);
  if (!frame || !EncodeJpeg(frame.get(), quality, &candidate->jpeg)) {
    *error = label + ": cannot be converted to a JPEG frame";
    return false;
  }
  return true;
}

bool WriteFile(const std::string& path, const std::string& bytes, std::string* error) {
  if (WriteWholeFile(path.c_str(), bytes.data(), bytes.size())) return true;
  *error = "cannot write " + path + ": " + std::strerror(errno);
  return false;
}

}  // namespace

bool IsValidSourceName(const std::string& name) {
  if (name.empty() || name.size() > kMaxSourceNameLength) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
  });
}

std::vector<FrameEntry> ListedFrames(const std::string& dataFolder) {
  std::vector<FrameEntry> frames;
  const std::optional<std::string> list =
      ReadWholeFile(InFolder(dataFolder, ListFile(kMaxListedFrames)).c_str());
  if (!list) return frames;
  std::set<std::string> seen;
  for (const MarkupToken& token : ScanMarkup(*list)) {
    const std::optional<std::string> name = TagName(token);
    if (!name || *name != "IMAGE") continue;
    FrameEntry frame;
    frame.t = TokenAttribute(token, "t").value_or("");
    if (!IsValidFrameTime(frame.t) || !seen.insert(frame.t).second) continue;
    long long size = 0;
    if (!IsRegularFile(InFolder(dataFolder, FrameFile(frame.t)), &size)) continue;
    frame.m = TokenAttribute(token, "m").value_or("");
    if (!IsValidSourceName(frame.m)) frame.m = kDefaultFrameSource;
    frame.q = static_cast<int>(std::clamp(AttributeInt(token, "q"), 0L, 100L));
    frame.s = size;
    frames.push_back(frame);
    if (frames.size() == static_cast<std::size_t>(kMaxListedFrames)) break;
  }
  return frames;
}

namespace {

bool CheckOptions(const CloudIngestOptions& options, std::string* message) {
  if (!IsValidSourceName(options.source)) {
    *message = "the source name is 1 to 32 letters, digits, '.', '-' or '_'";
    return false;
  }
  if (options.quality < 1 || options.quality > 100) {
    *message = "the quality is 1 to 100";
    return false;
  }
  return true;
}

bool CreateDataFolder(const std::string& dataFolder, std::string* message) {
  if (::mkdir(dataFolder.c_str(), 0755) == 0 || errno == EEXIST) return true;
  *message = "cannot create " + dataFolder + ": " + std::strerror(errno);
  return false;
}

std::map<long long, Candidate> ListedCandidates(const std::string& dataFolder) {
  std::map<long long, Candidate> byInstant;
  for (const FrameEntry& frame : ListedFrames(dataFolder)) {
    Candidate candidate;
    candidate.t = frame.t;
    candidate.minutes = FrameTimeMinutes(frame.t);
    candidate.listed = frame;
    byInstant.emplace(candidate.minutes, std::move(candidate));
  }
  return byInstant;
}

bool WriteLists(const std::string& dataFolder, const std::vector<FrameEntry>& entries,
                const Provenance& provenance, std::string* message) {
  for (int n = 1; n <= kMaxListedFrames; ++n) {
    const std::vector<FrameEntry> first(entries.begin(),
                                        entries.begin() + std::min<std::size_t>(n, entries.size()));
    if (!WriteFile(InFolder(dataFolder, ListFile(n)), ImagesDocument(first, provenance), message))
      return false;
  }
  return true;
}

// The frames listed now, read under the lock so that a writer that ran meanwhile is seen; none
// when they are the labelled sample and the new frames live, or the other way round, so that
// no list mixes the two.
std::map<long long, Candidate> HeldCandidates(const std::string& dataFolder,
                                              const CloudIngestOptions& options) {
  if (ListedProvenance(dataFolder).sample != options.provenance.sample) return {};
  return ListedCandidates(dataFolder);
}

// Keeps the twelve newest candidates, encodes the new ones among them and writes the folder.
// The caller holds the folder's lock.
bool WriteNewest(std::map<long long, Candidate> byInstant, std::size_t pictures,
                 const std::string& dataFolder, const CloudIngestOptions& options,
                 std::string* message) {
  std::vector<Candidate> kept;
  for (auto it = byInstant.rbegin(); it != byInstant.rend() && kept.size() < kMaxListedFrames; ++it)
    kept.push_back(std::move(it->second));
  std::size_t added = 0;
  for (Candidate& candidate : kept) {
    if (!candidate.IsNew()) continue;
    if (!EncodeFrame(&candidate, options.quality, message)) return false;
    candidate.listed = FrameEntry{candidate.t, options.source,
                                  static_cast<long long>(candidate.jpeg.size()), options.quality};
    ++added;
  }

  // Frames first, then newest.jpg and the lists, then the old files: a list never names a file
  // that is not there yet, nor one already gone.
  if (!PrepareDataFolder(dataFolder, message)) return false;
  for (const Candidate& candidate : kept) {
    if (!candidate.jpeg.empty() &&
        !WriteFile(InFolder(dataFolder, FrameFile(candidate.t)), candidate.jpeg, message))
      return false;
  }
  const Candidate& newest = kept.front();
  std::string newestBytes = newest.jpeg;
  if (newestBytes.empty()) {
    const std::optional<std::string> bytes =
        ReadWholeFile(InFolder(dataFolder, FrameFile(newest.t)).c_str());
    if (!bytes) {
      *message = "cannot read " + InFolder(dataFolder, FrameFile(newest.t));
      return false;
    }
    newestBytes = *bytes;
  }
  if (!WriteFile(InFolder(dataFolder, kNewestFrameFile), newestBytes, message)) return false;
  std::vector<FrameEntry> entries;
  for (const Candidate& candidate : kept) entries.push_back(candidate.listed);
  if (!WriteLists(dataFolder, entries, options.provenance, message)) return false;

  std::set<std::string> listed;
  for (const Candidate& candidate : kept) listed.insert(candidate.t + ".jpg");
  std::size_t dropped = 0;
  const std::string clouds = InFolder(dataFolder, kCloudsFolder);
  if (std::unique_ptr<DIR, DirCloser> old(::opendir(clouds.c_str())); old) {
    while (const dirent* entry = ::readdir(old.get())) {
      const std::string name = entry->d_name;
      if (!FrameTimeFromFileName(name) || name.size() < 4 ||
          name.compare(name.size() - 4, 4, ".jpg") != 0 || listed.count(name))
        continue;
      if (::unlink((clouds + "/" + name).c_str()) == 0) ++dropped;
    }
  }
  *message = std::to_string(entries.size()) + " frames listed, newest " + newest.t + "; " +
             std::to_string(added) + " of " + std::to_string(pictures) + " pictures added, " +
             std::to_string(dropped) + " old frames removed";
  return true;
}

}  // namespace

bool IsEquirectangularSize(long long width, long long height) {
  return width > 0 && height > 0 && std::llabs(width - 2 * height) <= std::max(1LL, width / 100);
}

bool IngestClouds(const std::string& imageFolder, const std::string& dataFolder,
                  const CloudIngestOptions& options, std::string* message) {
  if (!CheckOptions(options, message)) return false;
  std::unique_ptr<DIR, DirCloser> dir(::opendir(imageFolder.c_str()));
  if (!dir) {
    *message = "cannot read the folder " + imageFolder + ": " + std::strerror(errno);
    return false;
  }

  // Another ingest at once would list frames without this one's, or delete them as no longer
  // listed: ingests into one folder take turns, from reading its list to the last deletion.
  if (!CreateDataFolder(dataFolder, message)) return false;
  const DataFolderLock lock(dataFolder);
  if (!lock.locked()) {
    *message = lock.problem();
    return false;
  }

  // One candidate per instant: a new picture wins over a listed frame, and of two new pictures
  // of one instant the ingest refuses both rather than pick one.
  std::map<long long, Candidate> byInstant = HeldCandidates(dataFolder, options);
  std::set<long long> newInstants;
  std::size_t pictures = 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.') continue;
    const std::string path = imageFolder + "/" + name;
    if (!IsRegularFile(path)) continue;
    const std::optional<std::string> t = FrameTimeFromFileName(name);
    if (!t) {
      *message =
          path + ": not named by its UTC time (YYYYMMDDHH or YYYYMMDDHHMM, then the extension)";
      return false;
    }
    Candidate candidate;
    candidate.t = *t;
    candidate.minutes = FrameTimeMinutes(*t);
    candidate.picturePath = path;
    if (!newInstants.insert(candidate.minutes).second) {
      *message = path + ": a second picture of the same time";
      return false;
    }
    byInstant[candidate.minutes] = std::move(candidate);
    ++pictures;
  }
  if (pictures == 0) {
    *message = "no pictures in " + imageFolder;
    return false;
  }
  return WriteNewest(std::move(byInstant), pictures, dataFolder, options, message);
}

bool IngestCloudFrames(std::vector<NewCloudFrame> frames, const std::string& dataFolder,
                       const CloudIngestOptions& options, std::string* message) {
  if (!CheckOptions(options, message)) return false;
  if (frames.empty()) {
    *message = "no pictures to add";
    return false;
  }
  std::map<long long, Candidate> fresh;
  for (NewCloudFrame& frame : frames) {
    if (!FrameTimeFromFileName(frame.t + ".x") || !frame.picture) {
      *message = "a picture without a frame time (YYYYMMDDHH or YYYYMMDDHHMM): " + frame.t;
      return false;
    }
    Candidate candidate;
    candidate.t = frame.t;
    candidate.minutes = FrameTimeMinutes(frame.t);
    candidate.picture = std::move(frame.picture);
    if (!fresh.emplace(candidate.minutes, std::move(candidate)).second) {
      *message = frame.t + ": a second picture of the same time";
      return false;
    }
  }
  if (!CreateDataFolder(dataFolder, message)) return false;
  const DataFolderLock lock(dataFolder);
  if (!lock.locked()) {
    *message = lock.problem();
    return false;
  }
  std::map<long long, Candidate> byInstant = HeldCandidates(dataFolder, options);
  for (auto& [minutes, candidate] : fresh) byInstant[minutes] = std::move(candidate);
  return WriteNewest(std::move(byInstant), frames.size(), dataFolder, options, message);
}

Provenance ListedProvenance(const std::string& dataFolder) {
  return ReadListProvenance(InFolder(dataFolder, ListFile(kMaxListedFrames))).value_or(Provenance{});
}

bool RewriteListedProvenance(const std::string& dataFolder, const Provenance& provenance,
                             std::string* message) {
  const DataFolderLock lock(dataFolder);
  if (!lock.locked()) {
    *message = lock.problem();
    return false;
  }
  const std::vector<FrameEntry> frames = ListedFrames(dataFolder);
  if (frames.empty()) {
    *message = dataFolder + " lists no cloud frames";
    return false;
  }
  return WriteLists(dataFolder, frames, provenance, message);
}

}  // namespace meridiana::service
