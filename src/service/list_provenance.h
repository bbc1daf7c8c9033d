#pragma once
// The provenance on the root element of a list the data folder holds (quakes.xml,
// clouds/list-N.xml), read back and rewritten in place, so a failed refresh can be noted on the
// data it leaves served.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "service/reply_documents.h"

namespace meridiana::service {

// The attributes of the document's root element (the first element after the declaration);
// none when the text has no root element. Unknown attributes are passed over.
std::optional<Provenance> ReadProvenance(std::string_view document);
std::optional<Provenance> ReadListProvenance(const std::string& path);

// The document with its root element's attributes replaced by those of provenance; none when
// it has no root element.
std::optional<std::string> WithProvenance(std::string_view document, const Provenance& provenance);

// Reads the list, lets change edit its provenance and writes it back whole; the events or
// frames stay as they were. False when the file cannot be read, has no root or cannot be
// written.
bool RewriteListProvenance(const std::string& path, const std::function<void(Provenance&)>& change);

}  // namespace meridiana::service
