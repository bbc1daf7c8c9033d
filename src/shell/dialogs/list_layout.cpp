#include "shell/dialogs/list_layout.h"

#include <algorithm>
#include <cstdlib>

#include "foundation/key_value_store.h"
#include "shell/dialogs/dialog_geometry.h"

namespace meridiana {
namespace {

// Values "0" .. "count - 1", all present, and no value "count" beyond them.
std::vector<int> ReadColumnValues(const KeyValueStore& store, const std::string& key, int count) {
  std::vector<int> values;
  for (int i = 0; i < count; ++i) {
    const std::optional<std::string> text = store.Read(Hive::CurrentUser, key, std::to_string(i));
    if (!text) return {};
    values.push_back(std::atoi(text->c_str()));
  }
  if (store.Read(Hive::CurrentUser, key, std::to_string(count))) return {};
  return values;
}

void WriteColumnValues(KeyValueStore& store, const std::string& key,
                       const std::vector<int>& values) {
  KeyValueStore::Values columns;
  for (std::size_t i = 0; i < values.size(); ++i)
    columns.emplace_back(std::to_string(i), std::to_string(values[i]));
  store.WriteAll(Hive::CurrentUser, key, columns);
  // A value left from a list that had more columns would make the next load ignore them all.
  for (std::size_t i = values.size(); store.Remove(Hive::CurrentUser, key, std::to_string(i));
       ++i) {
  }
}

}  // namespace

std::string ListKeyPath(std::string_view displayName, int dialogId, int listId) {
  return DialogKeyPath(displayName, dialogId) + "\\" + std::to_string(listId);
}

ColumnLayout LoadColumnLayout(const KeyValueStore& store, std::string_view displayName,
                              int dialogId, int listId, int columnCount) {
  const std::string key = ListKeyPath(displayName, dialogId, listId);
  ColumnLayout layout;
  layout.widths = ReadColumnValues(store, key, columnCount);
  layout.order = ReadColumnValues(store, key + "\\order", columnCount);
  std::vector<int> sorted = layout.order;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < static_cast<int>(sorted.size()); ++i) {
    if (sorted[static_cast<std::size_t>(i)] != i) {
      layout.order.clear();
      break;
    }
  }
  return layout;
}

void SaveColumnLayout(KeyValueStore& store, std::string_view displayName, int dialogId, int listId,
                      const ColumnLayout& layout, int style) {
  const std::string key = ListKeyPath(displayName, dialogId, listId);
  WriteColumnValues(store, key, layout.widths);
  WriteColumnValues(store, key + "\\order", layout.order);
  store.Write(Hive::CurrentUser, key + "\\style", "", std::to_string(style));
}

}  // namespace meridiana
