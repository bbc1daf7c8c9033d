// XFCE keeps a picture and a placement per monitor and workspace in the xfce4-desktop channel of
// xfconf (/backdrop/screen0/monitorX/workspaceN/last-image and image-style). Every one of them
// shows the map; what each held is kept as "property=value" lines, and properties the map made
// are removed again on the way back.

#include <map>
#include <vector>

#include "online/program_output.h"
#include "shell/desktop/wallpaper_backends.h"

namespace meridiana {
namespace {

constexpr char kChannel[] = "xfce4-desktop";
constexpr char kPictureSuffix[] = "/last-image";
constexpr char kStyleSuffix[] = "/image-style";
constexpr char kScaled[] = "4";
constexpr char kFirstPicture[] = "/backdrop/screen0/monitor0/workspace0/last-image";

bool EndsWith(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string StyleOf(const std::string& picture) {
  return picture.substr(0, picture.size() - (sizeof kPictureSuffix - 1)) + kStyleSuffix;
}

using Values = std::map<std::string, std::string>;

std::string Lines(const Values& values) {
  std::string text;
  for (const auto& [property, value] : values) text += property + "=" + value + "\n";
  return text;
}

Values ParseLines(const std::string& text) {
  Values values;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string line = text.substr(at, end - at);
    if (const std::size_t equals = line.find('='); equals != std::string::npos)
      values[line.substr(0, equals)] = line.substr(equals + 1);
    at = end + 1;
  }
  return values;
}

class XfceWallpaper : public WallpaperBackend {
 public:
  XfceWallpaper() : tool_(DesktopTool("xfconf-query")) {}

  std::string Name() const override { return "XFCE"; }

  bool Read(KeptWallpaper* kept, std::string* error) override {
    if (tool_.empty()) {
      *error = "xfconf-query is not installed";
      return false;
    }
    Values pictures;
    Values styles;
    for (const std::string& property : Properties()) {
      if (EndsWith(property, kPictureSuffix)) pictures[property] = Get(property);
      if (EndsWith(property, kStyleSuffix)) styles[property] = Get(property);
    }
    kept->file = {!pictures.empty(), Lines(pictures)};
    kept->second = {};
    kept->style = {!styles.empty(), Lines(styles)};
    return true;
  }

  std::string Apply(const std::string& file) override {
    if (tool_.empty()) return "xfconf-query is not installed";
    std::vector<std::string> pictures;
    for (const std::string& property : Properties())
      if (EndsWith(property, kPictureSuffix)) pictures.push_back(property);
    if (pictures.empty()) pictures.push_back(kFirstPicture);  // a desktop that never had one
    for (const std::string& picture : pictures) {
      if (std::string problem = Set(picture, "string", file); !problem.empty()) return problem;
      if (std::string problem = Set(StyleOf(picture), "int", kScaled); !problem.empty())
        return problem;
    }
    return {};
  }

  bool ShowsOwnFile(const KeptSetting& picture) const override {
    for (const auto& [property, value] : ParseLines(picture.value))
      if (IsOwnFile(value)) return true;
    return false;
  }

  std::string Restore(const KeptWallpaper& kept) override {
    if (tool_.empty()) return "xfconf-query is not installed";
    const Values pictures = ParseLines(kept.file.value);
    const Values styles = ParseLines(kept.style.value);
    for (const std::string& property : Properties()) {
      const bool picture = EndsWith(property, kPictureSuffix);
      if (!picture && !EndsWith(property, kStyleSuffix)) continue;
      const Values& was = picture ? pictures : styles;
      const auto found = was.find(property);
      std::string problem;
      if (found != was.end()) {
        problem = Set(property, picture ? "string" : "int", found->second);
      } else if (!RunProgram(tool_, {"-c", kChannel, "-p", property, "-r"}).ok()) {
        problem = "xfconf-query cannot remove " + property;
      }
      if (!problem.empty()) return problem;
    }
    return {};
  }

 private:
  std::vector<std::string> Properties() {
    std::vector<std::string> properties;
    const ProgramRun run = RunProgram(tool_, {"-c", kChannel, "-l"});
    if (!run.ok()) return properties;
    std::size_t at = 0;
    while (at < run.output.size()) {
      const std::size_t end = std::min(run.output.find('\n', at), run.output.size());
      if (end > at) properties.push_back(run.output.substr(at, end - at));
      at = end + 1;
    }
    return properties;
  }

  std::string Get(const std::string& property) {
    const ProgramRun run = RunProgram(tool_, {"-c", kChannel, "-p", property});
    return run.ok() ? run.output.substr(0, run.output.find('\n')) : std::string();
  }

  // Sets (creating the property when it is new) and reads back.
  std::string Set(const std::string& property, const char* type, const std::string& value) {
    RunProgram(tool_, {"-c", kChannel, "-p", property, "-n", "-t", type, "-s", value});
    if (Get(property) != value) return "the desktop did not keep " + property;
    return {};
  }

  std::string tool_;
};

}  // namespace

std::unique_ptr<WallpaperBackend> MakeXfceWallpaper() { return std::make_unique<XfceWallpaper>(); }

}  // namespace meridiana
