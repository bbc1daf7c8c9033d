#include "shell/window/command_table.h"

#include <utility>

namespace meridiana {

namespace {

CommandTable::Handler Taking(CommandTable::Action action) {
  return [action = std::move(action)](int command) {
    action(command);
    return true;
  };
}

}  // namespace

void CommandTable::Add(std::initializer_list<int> commands, Action action) {
  AddAnswering(commands, Taking(std::move(action)));
}

void CommandTable::AddAnswering(std::initializer_list<int> commands, Handler handler) {
  for (const int command : commands) entries_.push_back({command, command, handler});
}

void CommandTable::AddRange(int first, int last, Action action) {
  entries_.push_back({first, last, Taking(std::move(action))});
}

bool CommandTable::Run(int command) const {
  for (const Entry& entry : entries_) {
    if (command >= entry.first && command <= entry.last) return entry.handler(command);
  }
  return false;
}

}  // namespace meridiana
