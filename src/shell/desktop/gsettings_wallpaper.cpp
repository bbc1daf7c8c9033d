// GNOME, Budgie, Cinnamon and MATE keep the wallpaper in GSettings: a picture key (a URI, or for
// MATE a path), GNOME's second picture for the dark style, and the placement. The tools gsettings
// and dconf change and read them; dconf tells a value the user set from the schema's default.

#include <cctype>
#include <vector>

#include "online/program_output.h"
#include "shell/desktop/wallpaper_backends.h"

namespace meridiana {
namespace {

struct GsettingsDesktop {
  const char* name;
  const char* schema;
  const char* fileKey;
  bool fileIsUri;
  const char* secondKey;  // null when the desktop has none
  const char* styleKey;
  const char* dconfPath;
};

constexpr GsettingsDesktop kGnome{
    "GNOME",           "org.gnome.desktop.background",  "picture-uri", true, "picture-uri-dark",
    "picture-options", "/org/gnome/desktop/background/"};
constexpr GsettingsDesktop kCinnamon{
    "Cinnamon",        "org.cinnamon.desktop.background",  "picture-uri", true, nullptr,
    "picture-options", "/org/cinnamon/desktop/background/"};
constexpr GsettingsDesktop kMate{"MATE",
                                 "org.mate.background",
                                 "picture-filename",
                                 false,
                                 nullptr,
                                 "picture-options",
                                 "/org/mate/desktop/background/"};

// A text as GVariant writes a string: in single quotes, with \ and ' escaped.
std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "'";
}

// "file:///home/me/a b.bmp": a path as a file URI, with the bytes URIs do not allow escaped.
std::string FileUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) ||
        std::string_view("/-._~").find(static_cast<char>(c)) != std::string_view::npos) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

// The text of a GVariant string as gsettings prints it; "" for anything else.
std::string Unquoted(std::string_view quoted) {
  if (quoted.size() < 2 || quoted.front() != '\'' || quoted.back() != '\'') return {};
  std::string text;
  for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
    if (quoted[i] == '\\' && i + 2 < quoted.size()) ++i;
    text += quoted[i];
  }
  return text;
}

// The path of a "file://" URI, its escapes undone; "" for any other URI.
std::string PathOfFileUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.substr(0, kScheme.size()) != kScheme) return {};
  std::string path;
  for (std::size_t i = kScheme.size(); i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() &&
        std::isxdigit(static_cast<unsigned char>(uri[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(uri[i + 2]))) {
      path += static_cast<char>(std::stoi(std::string(uri.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      path += uri[i];
    }
  }
  return path;
}

class GsettingsWallpaper : public WallpaperBackend {
 public:
  explicit GsettingsWallpaper(const GsettingsDesktop& desktop)
      : desktop_(desktop), gsettings_(DesktopTool("gsettings")), dconf_(DesktopTool("dconf")) {}

  std::string Name() const override { return desktop_.name; }

  bool Read(KeptWallpaper* kept, std::string* error) override {
    if (gsettings_.empty()) {
      *error = "gsettings is not installed";
      return false;
    }
    std::string* failure = error;
    const auto read = [&](const char* key, KeptSetting* into) {
      if (key == nullptr) return true;
      const ProgramRun run = RunProgram(gsettings_, {"get", desktop_.schema, key});
      if (!run.ok()) {
        *failure = std::string("gsettings cannot read ") + desktop_.schema + " " + key;
        return false;
      }
      into->value = Line(run.output);
      // Without dconf the value counts as set: putting it back gives the same picture.
      into->set =
          dconf_.empty() ||
          !Line(RunProgram(dconf_, {"read", std::string(desktop_.dconfPath) + key}).output).empty();
      return true;
    };
    return read(desktop_.fileKey, &kept->file) && read(desktop_.secondKey, &kept->second) &&
           read(desktop_.styleKey, &kept->style);
  }

  std::string Apply(const std::string& file) override {
    const std::string picture = Quoted(desktop_.fileIsUri ? FileUri(file) : file);
    std::string problem = Set(desktop_.fileKey, picture);
    if (problem.empty() && desktop_.secondKey != nullptr)
      problem = Set(desktop_.secondKey, picture);
    if (problem.empty()) problem = Set(desktop_.styleKey, "'scaled'");
    return problem;
  }

  bool ShowsOwnFile(const KeptSetting& picture) const override {
    const std::string value = Unquoted(picture.value);
    return IsOwnFile(desktop_.fileIsUri ? PathOfFileUri(value) : value);
  }

  std::string Restore(const KeptWallpaper& kept) override {
    std::string problem = Put(desktop_.fileKey, kept.file);
    if (problem.empty() && desktop_.secondKey != nullptr)
      problem = Put(desktop_.secondKey, kept.second);
    if (problem.empty()) problem = Put(desktop_.styleKey, kept.style);
    return problem;
  }

 private:
  static std::string Line(const std::string& output) { return output.substr(0, output.find('\n')); }

  // Sets a value and reads it back: gsettings exits 0 without committing when no session bus
  // or settings service answers.
  std::string Set(const char* key, const std::string& value) {
    if (gsettings_.empty()) return "gsettings is not installed";
    const ProgramRun set = RunProgram(gsettings_, {"set", desktop_.schema, key, value});
    const ProgramRun back = RunProgram(gsettings_, {"get", desktop_.schema, key});
    if (!set.ok() || !back.ok() || Line(back.output) != value)
      return std::string("the desktop did not keep ") + desktop_.schema + " " + key;
    return {};
  }

  std::string Put(const char* key, const KeptSetting& kept) {
    if (kept.set) return Set(key, kept.value);
    if (gsettings_.empty()) return "gsettings is not installed";
    if (!RunProgram(gsettings_, {"reset", desktop_.schema, key}).ok())
      return std::string("gsettings cannot reset ") + desktop_.schema + " " + key;
    return {};
  }

  GsettingsDesktop desktop_;
  std::string gsettings_;
  std::string dconf_;
};

}  // namespace

std::unique_ptr<WallpaperBackend> MakeGsettingsWallpaper(std::string_view desktop) {
  if (desktop == "GNOME") return std::make_unique<GsettingsWallpaper>(kGnome);
  if (desktop == "Cinnamon") return std::make_unique<GsettingsWallpaper>(kCinnamon);
  if (desktop == "MATE") return std::make_unique<GsettingsWallpaper>(kMate);
  return nullptr;
}

}  // namespace meridiana
