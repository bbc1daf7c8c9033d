// sway draws no background itself: for each `output NAME bg FILE MODE` it runs swaybg with the
// picture. Commands go over sway's IPC socket ($SWAYSOCK, the i3 protocol: "i3-ipc", length, type,
// payload); what the outputs show now is read from the command lines of the running swaybg
// processes, kept as one "output<TAB>picture<TAB>mode<TAB>colour" line per output (a tab, line
// break or backslash in a field escaped as \t, \n, \\) and given back as the same commands. With
// no swaybg at all (no background), the ones showing the map are ended.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "map/wallpaper_file.h"
#include "shell/desktop/wallpaper_backends.h"

namespace meridiana {
namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr std::uint32_t kRunCommand = 0;

struct Background {
  pid_t pid = 0;
  std::string output;
  std::string picture;
  std::string mode;
  std::string colour;
};

// Reads exactly `size` bytes; false when the socket ends or fails first.
bool ReadAll(int fd, char* into, std::size_t size) {
  while (size > 0) {
    const ssize_t got = ::read(fd, into, size);
    if (got <= 0) return false;
    into += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

// Runs sway commands; "" when sway ran every one, else its error or why it could not be asked.
std::string RunCommand(const std::string& command) {
  const char* socketPath = std::getenv("SWAYSOCK");
  if (socketPath == nullptr || *socketPath == '\0') return "SWAYSOCK is not set: is sway running?";
  sockaddr_un address{};
  if (std::strlen(socketPath) >= sizeof address.sun_path) return "SWAYSOCK is too long";
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, socketPath);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return "no socket for sway";
  // A sway that hangs must not hang the program.
  const timeval timeout{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  std::string problem;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    problem = std::string("sway does not answer at ") + socketPath;
  } else {
    std::string message(kMagic, sizeof kMagic - 1);
    const std::uint32_t header[2] = {static_cast<std::uint32_t>(command.size()), kRunCommand};
    message.append(reinterpret_cast<const char*>(header), sizeof header);
    message += command;
    char replyHeader[sizeof kMagic - 1 + sizeof header];
    std::uint32_t replyFields[2];
    std::string reply;
    if (::send(fd, message.data(), message.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(message.size()) ||
        !ReadAll(fd, replyHeader, sizeof replyHeader) ||
        std::memcmp(replyHeader, kMagic, sizeof kMagic - 1) != 0) {
      problem = "sway did not answer the command";
    } else {
      std::memcpy(replyFields, replyHeader + sizeof kMagic - 1, sizeof replyFields);
      reply.resize(std::min<std::uint32_t>(replyFields[0], 1 << 20));
      if (!ReadAll(fd, reply.data(), reply.size())) problem = "sway did not answer the command";
    }
    // [{"success": true}, ...], one entry per command; a failed one carries "error".
    if (problem.empty()) {
      for (const QJsonValue& entry :
           QJsonDocument::fromJson(QByteArray::fromStdString(reply)).array())
        if (!entry.toObject().value("success").toBool()) {
          problem = "sway: " +
                    entry.toObject().value("error").toString("the command failed").toStdString();
          break;
        }
      if (reply.empty()) problem = "sway did not answer the command";
    }
  }
  ::close(fd);
  return problem;
}

// A process's arguments, NUL-separated; opened close-on-exec like every file of the program.
std::string CommandLine(const std::string& path) {
  std::string text;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  ssize_t got = 0;
  while (text.size() < (1 << 20) && (got = ::read(fd, buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<std::size_t>(got));
  ::close(fd);
  return text;
}

// The swaybg processes of sway's user (the owner of its socket; sway detaches them, so they are
// not its children), one Background per output they paint.
std::vector<Background> Backgrounds() {
  std::vector<Background> found;
  const char* socketPath = std::getenv("SWAYSOCK");
  struct stat socketStatus {};
  if (socketPath == nullptr || ::stat(socketPath, &socketStatus) != 0) return found;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return found;
  while (const dirent* entry = ::readdir(proc)) {
    const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
    struct stat processStatus {};
    if (pid <= 0 || ::stat(("/proc/" + std::string(entry->d_name)).c_str(), &processStatus) != 0 ||
        processStatus.st_uid != socketStatus.st_uid)
      continue;
    const std::string text = CommandLine("/proc/" + std::string(entry->d_name) + "/cmdline");
    std::vector<std::string> args;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = std::min(text.find('\0', at), text.size());
      args.push_back(text.substr(at, end - at));
      at = end + 1;
    }
    if (args.empty() || args[0].substr(args[0].rfind('/') + 1) != "swaybg") continue;
    // swaybg -o OUTPUT [-i PICTURE] [-m MODE] [-c COLOUR] [-o OUTPUT ...]
    for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
      if (args[i] == "-o" || args[i] == "--output") {
        found.push_back({pid, args[i + 1], {}, {}, {}});
      } else if (!found.empty() && found.back().pid == pid) {
        if (args[i] == "-i" || args[i] == "--image") found.back().picture = args[i + 1];
        if (args[i] == "-m" || args[i] == "--mode") found.back().mode = args[i + 1];
        if (args[i] == "-c" || args[i] == "--color") found.back().colour = args[i + 1];
      }
    }
  }
  ::closedir(proc);
  return found;
}

// A word of a sway command, quoted as its parser reads it.
std::string Quote(const std::string& word) {
  std::string quoted = "\"";
  for (char c : word) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// A picture's path as `output * bg` takes it. sway takes the word's quotes off but keeps its
// backslashes, then expands the path with wordexp(3), which would run $(...) and `...` and
// refuses ( ) | & ; < > and newlines. So every byte is made literal for wordexp: in single
// quotes, or after a backslash for " \ ' and the blank, which would end sway's word, end the
// single quotes, or (two blanks in a row) be rewritten by sway.
std::string QuotePath(const std::string& path) {
  std::string quoted = "\"";
  bool inSingle = false;
  // A line break can only be matched by the pattern "?"; wordexp then globs the word, and its
  // globbing does not honour quotes on [ ] \ * ?, so those are matched by "?" as well. (A
  // sibling that differs only there would match too; sway then refuses the path.)
  const bool globbing = path.find('\n') != std::string::npos;
  for (const char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '.' || c == '_' || c == '-';
    const bool escaped = c == '"' || c == '\\' || c == '\'' || c == ' ';
    if (c == '\n' || (globbing && std::string_view("[]\\*?").find(c) != std::string_view::npos)) {
      // sway turns a line break into ";" before wordexp sees it.
      if (inSingle) quoted += '\'';
      inSingle = false;
      quoted += '?';
      continue;
    }
    if (inSingle && (plain || escaped)) {
      quoted += '\'';
      inSingle = false;
    }
    if (plain) {
      quoted += c;
    } else if (escaped) {
      quoted += '\\';
      quoted += c;
    } else {
      if (!inSingle) quoted += '\'';
      inSingle = true;
      quoted += c;
    }
  }
  if (inSingle) quoted += '\'';
  return quoted + "\"";
}

std::string BackgroundCommand(const Background& background) {
  std::string command = "output ";
  command += Quote(background.output);
  command += " bg ";
  if (background.picture.empty())
    return command + Quote(background.colour.empty() ? "#000000" : background.colour) +
           " solid_color";
  command += QuotePath(background.picture);
  command += ' ';
  command += background.mode.empty() ? "fill" : background.mode;
  if (!background.colour.empty()) {
    command += ' ';
    command += Quote(background.colour);
  }
  return command;
}

// sway starts a new swaybg for a picture it took: that is the proof. "" once one shows it.
std::string WaitUntilShown(const std::string& picture) {
  const QDeadlineTimer deadline(3000);
  for (;;) {
    for (const Background& background : Backgrounds())
      if (background.picture == picture) return {};
    if (deadline.hasExpired()) return "sway started no swaybg for " + picture;
    QThread::msleep(20);
  }
}

// A field of the kept lines: a tab or line break in a picture's name must not split them.
std::string KeptField(const std::string& text) {
  std::string field;
  for (const char c : text) {
    if (c == '\\' || c == '\t' || c == '\n') field += '\\';
    field += c == '\t' ? 't' : c == '\n' ? 'n' : c;
  }
  return field;
}

// The backgrounds of the kept lines. A backslash before anything but \, t or n stays, as lines
// kept before names were escaped wrote it.
std::vector<Background> KeptBackgrounds(const std::string& lines) {
  std::vector<Background> backgrounds;
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i <= lines.size(); ++i) {
    const char c = i < lines.size() ? lines[i] : '\n';
    if (c == '\n') {
      if (fields.size() == 4)
        backgrounds.push_back({0, fields[0], fields[1], fields[2], fields[3]});
      fields.assign(1, {});
    } else if (c == '\t') {
      fields.emplace_back();
    } else if (c == '\\' && i + 1 < lines.size() &&
               std::string_view("\\tn").find(lines[i + 1]) != std::string_view::npos) {
      ++i;
      fields.back() += lines[i] == 't' ? '\t' : lines[i] == 'n' ? '\n' : '\\';
    } else {
      fields.back() += c;
    }
  }
  return backgrounds;
}

class SwayWallpaper : public WallpaperBackend {
 public:
  std::string Name() const override { return "sway"; }

  bool Read(KeptWallpaper* kept, std::string* error) override {
    if (std::getenv("SWAYSOCK") == nullptr) {
      *error = "SWAYSOCK is not set: is sway running?";
      return false;
    }
    std::string lines;
    for (const Background& background : Backgrounds())
      lines += KeptField(background.output) + "\t" + KeptField(background.picture) + "\t" +
               KeptField(background.mode) + "\t" + KeptField(background.colour) + "\n";
    kept->file = {!lines.empty(), lines};
    kept->second = {};
    kept->style = {};
    return true;
  }

  std::string Apply(const std::string& file) override {
    if (std::string problem = RunCommand("output * bg " + QuotePath(file) + " fit");
        !problem.empty())
      return problem;
    return WaitUntilShown(file);
  }

  bool ShowsOwnFile(const KeptSetting& picture) const override {
    for (const Background& background : KeptBackgrounds(picture.value))
      if (IsOwnFile(background.picture)) return true;
    return false;
  }

  std::string Restore(const KeptWallpaper& kept) override {
    if (!kept.file.set) {
      // There was no background: end the swaybg that paints ours.
      for (const Background& background : Backgrounds())
        if (IsOwnFile(background.picture)) ::kill(background.pid, SIGTERM);
      return {};
    }
    std::string commands;
    std::vector<std::string> pictures;
    for (Background background : KeptBackgrounds(kept.file.value)) {
      // A picture that has gone would leave swaybg nothing to show, and the mode on for good:
      // its output gets the colour instead.
      if (!background.picture.empty() && ::access(background.picture.c_str(), R_OK) != 0)
        background.picture.clear();
      commands += (commands.empty() ? "" : "; ") + BackgroundCommand(background);
      if (!background.picture.empty()) pictures.push_back(background.picture);
    }
    if (commands.empty()) return {};
    if (std::string problem = RunCommand(commands); !problem.empty()) return problem;
    for (const std::string& picture : pictures)
      if (std::string problem = WaitUntilShown(picture); !problem.empty()) return problem;
    return {};
  }
};

}  // namespace

std::unique_ptr<WallpaperBackend> MakeSwayWallpaper() { return std::make_unique<SwayWallpaper>(); }

}  // namespace meridiana
