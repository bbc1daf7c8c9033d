#pragma once
// The run of a streaming JSON reader over a document, as the readers of the live feeds use it.

#include <exception>
#include <new>
#include <string>

namespace meridiana {

// parse(&reader) runs the JSON library's event reader over the input. False, with the reason in
// *error, when the library throws or the reader stops: the reader's own reason (error()), else
// "not valid JSON".
template <typename Reader, typename Parse>
bool RunJsonReader(Reader& reader, Parse parse, std::string* error) {
  bool parsed = false;
  try {
    parsed = parse(&reader);
  } catch (const std::bad_alloc&) {
    *error = "out of memory";
    return false;
  } catch (const std::exception& e) {
    *error = std::string("not valid JSON: ") + e.what();
    return false;
  }
  if (!parsed) *error = reader.error().empty() ? "not valid JSON" : reader.error();
  return parsed;
}

}  // namespace meridiana
