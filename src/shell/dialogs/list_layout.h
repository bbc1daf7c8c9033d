#pragma once
// A list's column layout kept between runs: one value per column, "0", "1", ..., under
// "Software\QUILLARY\<display name>\DLGS\<dialog id>\<list id>" for the widths and "...\order"
// for the order, plus the view style as the "style" key's default value.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meridiana {

class KeyValueStore;

struct ColumnLayout {
  std::vector<int> widths;
  std::vector<int> order;  // visual position of each column
};

// The key of a list's widths; its order and style keys are below it.
std::string ListKeyPath(std::string_view displayName, int dialogId, int listId);

// The saved layout for a list of columnCount columns. Widths and order are each taken only when
// exactly one saved value exists per column (a list whose columns changed since starts afresh),
// and an order only when it is a permutation of the columns.
ColumnLayout LoadColumnLayout(const KeyValueStore& store, std::string_view displayName,
                              int dialogId, int listId, int columnCount);

// Stores widths, order and the style (3 for a report view) as a list's destruction does.
void SaveColumnLayout(KeyValueStore& store, std::string_view displayName, int dialogId, int listId,
                      const ColumnLayout& layout, int style = 3);

}  // namespace meridiana
