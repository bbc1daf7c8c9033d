#include "service/list_provenance.h"

#include "foundation/file_util.h"
#include "service/data_folder_lock.h"

namespace meridiana::service {
namespace {

struct RootSpan {
  std::size_t nameEnd = 0;  // just after the element's name
  std::size_t close = 0;    // at its ">" (or "/>")
};

std::optional<RootSpan> FindRoot(std::string_view document) {
  std::size_t at = 0;
  while (true) {
    at = document.find('<', at);
    if (at == std::string_view::npos || at + 1 >= document.size()) return std::nullopt;
    const char next = document[at + 1];
    if (next != '?' && next != '!') break;
    ++at;
  }
  RootSpan span;
  span.nameEnd = document.find_first_of(" \t\r\n/>", at + 1);
  if (span.nameEnd == std::string_view::npos) return std::nullopt;
  // Values are escaped, so a ">" inside quotes never occurs in what this service writes; quotes
  // are still skipped for lists written by someone else.
  bool quoted = false;
  for (std::size_t i = span.nameEnd; i < document.size(); ++i) {
    if (document[i] == '"') quoted = !quoted;
    if (!quoted && document[i] == '>') {
      span.close = i > span.nameEnd && document[i - 1] == '/' ? i - 1 : i;
      return span;
    }
  }
  return std::nullopt;
}

std::string Unescape(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    bool replaced = false;
    if (text[i] == '&') {
      for (const auto& [entity, c] : kEntities) {
        if (text.substr(i, entity.size()) == entity) {
          out += c;
          i += entity.size() - 1;
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += text[i];
  }
  return out;
}

// Seconds since 1970 of "YYYY-MM-DDTHH:MM:SSZ"; 0 for anything else.
long long IsoSeconds(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char z = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &z) != 7 ||
      z != 'Z' || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60)
    return 0;
  // Days from the civil date (Howard Hinnant's algorithm).
  const int yy = y - (mo <= 2);
  const long long era = (yy >= 0 ? yy : yy - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(yy - era * 400);
  const unsigned doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long long days = era * 146097 + static_cast<long long>(doe) - 719468;
  return days * 86400 + h * 3600 + mi * 60 + s;
}

}  // namespace

std::optional<Provenance> ReadProvenance(std::string_view document) {
  const std::optional<RootSpan> root = FindRoot(document);
  if (!root) return std::nullopt;
  Provenance provenance;
  std::string_view rest = document.substr(root->nameEnd, root->close - root->nameEnd);
  while (true) {
    const std::size_t eq = rest.find("=\"");
    if (eq == std::string_view::npos) break;
    const std::size_t end = rest.find('"', eq + 2);
    if (end == std::string_view::npos) break;
    std::string_view name = rest.substr(0, eq);
    name.remove_prefix(std::min(name.find_first_not_of(" \t\r\n"), name.size()));
    const std::string value = Unescape(rest.substr(eq + 2, end - eq - 2));
    if (name == "source") provenance.source = value;
    if (name == "sample") provenance.sample = value == "1";
    if (name == "updated") provenance.updated = IsoSeconds(value);
    if (name == "failed") provenance.failed = IsoSeconds(value);
    if (name == "claimed") provenance.claimed = IsoSeconds(value);
    if (name == "problem") provenance.problem = value;
    rest.remove_prefix(end + 1);
  }
  return provenance;
}

std::optional<Provenance> ReadListProvenance(const std::string& path) {
  // The root element is on the second line; the head of the file is enough, read until the
  // root's tag closes (a long problem text can take it past any fixed size).
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::string head;
  std::optional<Provenance> provenance;
  char buffer[4096];
  while (head.size() < (std::size_t{1} << 20)) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
    head.append(buffer, n);
    provenance = ReadProvenance(head);
    if (provenance || n < sizeof buffer) break;
  }
  std::fclose(file);
  return provenance;
}

std::optional<std::string> WithProvenance(std::string_view document, const Provenance& provenance) {
  const std::optional<RootSpan> root = FindRoot(document);
  if (!root) return std::nullopt;
  std::string out(document.substr(0, root->nameEnd));
  out += ProvenanceAttributes(provenance);
  out += document.substr(root->close);
  return out;
}

bool RewriteListProvenance(const std::string& path,
                           const std::function<void(Provenance&)>& change) {
  // Read and written back under the folder's lock, so that a list an ingest writes meanwhile is
  // not replaced by the old one.
  const std::size_t slash = path.rfind('/');
  const DataFolderLock lock(slash == std::string::npos ? "." : path.substr(0, slash));
  if (!lock.locked()) return false;
  const std::optional<std::string> document = ReadWholeFile(path.c_str());
  if (!document) return false;
  std::optional<Provenance> provenance = ReadProvenance(*document);
  if (!provenance) return false;
  change(*provenance);
  const std::optional<std::string> rewritten = WithProvenance(*document, *provenance);
  return rewritten && WriteWholeFile(path.c_str(), rewritten->data(), rewritten->size());
}

}  // namespace meridiana::service
