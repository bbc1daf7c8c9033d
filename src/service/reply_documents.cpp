#include "service/reply_documents.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace meridiana::service {

std::string EscapeMarkup(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
          out += ' ';
        else
          out += c;
    }
  }
  return out;
}

std::string DecimalText(double value, int decimals) {
  if (!std::isfinite(value)) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text = buffer;
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  return text;
}

std::string QuakeTimeText(long long timeMs) {
  // Floor division, so an instant before 1970 still names the second it falls in.
  long long seconds = timeMs / 1000;
  if (timeMs % 1000 < 0) --seconds;
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm parts{};
  if (gmtime_r(&t, &parts) == nullptr) return {};
  const long long year = parts.tm_year + 1900LL;
  if (year < 1 || year > 9999) return {};
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d %02d:%02d:%02d", year, parts.tm_mon + 1,
                parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return buffer;
}

std::string IsoTimeText(long long seconds) {
  const std::string text = QuakeTimeText(seconds * 1000);
  if (text.size() != 19) return {};
  std::string iso = text;
  iso[10] = 'T';
  iso += 'Z';
  return iso;
}

std::string ProvenanceAttributes(const Provenance& provenance) {
  std::string out;
  const auto attribute = [&out](std::string_view name, std::string_view value) {
    if (value.empty()) return;
    out += ' ';
    out += name;
    out += "=\"";
    out += EscapeMarkup(value);
    out += '"';
  };
  attribute("source", provenance.source);
  if (provenance.sample) attribute("sample", "1");
  if (provenance.updated != 0) attribute("updated", IsoTimeText(provenance.updated));
  if (provenance.claimed != 0) attribute("claimed", IsoTimeText(provenance.claimed));
  if (provenance.failed != 0) attribute("failed", IsoTimeText(provenance.failed));
  attribute("problem", provenance.problem);
  return out;
}

std::string ImagesDocument(const std::vector<FrameEntry>& frames, const Provenance& provenance) {
  std::string out(kXmlDeclaration);
  out += "<IMAGES";
  out += ProvenanceAttributes(provenance);
  out += ">\n";
  for (const FrameEntry& frame : frames) {
    out += "<IMAGE m=\"" + EscapeMarkup(frame.m) + "\" t=\"" + EscapeMarkup(frame.t) + "\" s=\"" +
           std::to_string(frame.s) + "\" q=\"" + std::to_string(frame.q) + "\"/>\n";
  }
  out += "</IMAGES>\n";
  return out;
}

std::string QuakesDocument(const std::vector<QuakeEntry>& quakes, const Provenance& provenance) {
  std::string out(kXmlDeclaration);
  out.reserve(out.size() + 100 * quakes.size() + 200);
  out += "<QUAKES";
  out += ProvenanceAttributes(provenance);
  out += ">\n";
  for (const QuakeEntry& quake : quakes) {
    out += "<QUAKE lat=\"" + DecimalText(quake.latitude, 4) + "\" lon=\"" +
           DecimalText(quake.longitude, 4) + "\" m=\"" + DecimalText(quake.magnitude, 2) +
           "\" depth=\"" + DecimalText(quake.depth, 2) + "\" qt=\"" + QuakeTimeText(quake.timeMs) +
           "\"/>\n";
  }
  out += "</QUAKES>\n";
  return out;
}

std::string ErrorDocument(int n, std::string_view text) {
  return std::string(kXmlDeclaration) + "<ERROR n=\"" + std::to_string(n) + "\">" +
         EscapeMarkup(text) + "</ERROR>\n";
}

}  // namespace meridiana::service
