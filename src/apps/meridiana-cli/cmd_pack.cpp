#include <cstdio>

#include "commands.h"
#include "foundation/file_util.h"
#include "world/packed_data_file.h"

namespace meridiana::cli {

int RunPack(const Args& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: meridiana-cli pack IN OUT\n");
    return 2;
  }
  const auto text = ReadWholeFile(args[0].c_str());
  if (!text) {
    std::fprintf(stderr, "meridiana-cli: cannot read '%s'\n", args[0].c_str());
    return 1;
  }
  const std::string packed = PackData(*text);
  if (packed.empty()) {
    std::fprintf(stderr, "meridiana-cli: '%s' is too large to pack\n", args[0].c_str());
    return 1;
  }
  if (!WriteWholeFile(args[1].c_str(), packed.data(), packed.size())) {
    std::fprintf(stderr, "meridiana-cli: cannot write '%s'\n", args[1].c_str());
    return 1;
  }
  return 0;
}

int RunUnpack(const Args& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: meridiana-cli unpack IN OUT\n");
    return 2;
  }
  const auto file = ReadWholeFile(args[0].c_str());
  if (!file) {
    std::fprintf(stderr, "meridiana-cli: cannot read '%s'\n", args[0].c_str());
    return 1;
  }
  const auto text = UnpackData(*file);
  if (!text) {
    std::fprintf(stderr, "meridiana-cli: '%s' is not a valid packed data file\n", args[0].c_str());
    return 1;
  }
  if (!WriteWholeFile(args[1].c_str(), text->data(), text->size())) {
    std::fprintf(stderr, "meridiana-cli: cannot write '%s'\n", args[1].c_str());
    return 1;
  }
  return 0;
}

}  // namespace meridiana::cli
