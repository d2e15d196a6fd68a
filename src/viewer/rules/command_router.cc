#include "viewer/rules/command_router.h"

namespace pagora::viewer {

void CommandRouter::add(viewer::CommandId id, Action action, Update update) {
  handlers_[id] = Handler{std::move(action), std::move(update)};
}

CommandState CommandRouter::state(viewer::CommandId id) const {
  const auto found = handlers_.find(id);
  if (found == handlers_.end()) return CommandState{false, false};
  return found->second.update ? found->second.update() : CommandState{};
}

bool CommandRouter::execute(viewer::CommandId id) {
  const auto found = handlers_.find(id);
  if (found == handlers_.end() || !state(id).enabled) return false;
  // The action may replace handlers or close the window: run a copy.
  const Action action = found->second.action;
  action();
  notifyStateChanged();
  return true;
}

void CommandRouter::addObserver(Observer observer) { observers_.push_back(std::move(observer)); }

void CommandRouter::notifyStateChanged() {
  for (const auto& observer : observers_) observer();
}

}  // namespace pagora::viewer
