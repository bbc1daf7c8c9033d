#pragma once
// Which handler runs a command id. Menus, toolbar, tray and the map's context menu all hand their
// commands to one table, so an id does the same wherever it was chosen.

#include <functional>
#include <initializer_list>
#include <vector>

namespace meridiana {

class CommandTable {
 public:
  // Runs a command it was added for; the command's id is passed on.
  using Action = std::function<void(int command)>;
  // Says whether it took the command after all (false: the command counts as not handled).
  using Handler = std::function<bool(int command)>;

  void Add(std::initializer_list<int> commands, Action action);
  void AddAnswering(std::initializer_list<int> commands, Handler handler);
  // The ids first to last, both included.
  void AddRange(int first, int last, Action action);

  // Runs the first entry that holds the id. False for an id no entry holds, or one whose
  // handler did not take it.
  bool Run(int command) const;

 private:
  struct Entry {
    int first;
    int last;
    Handler handler;
  };

  std::vector<Entry> entries_;
};

}  // namespace meridiana
