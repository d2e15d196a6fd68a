// CommandRouter maps each command identifier to the one handler that carries it
// out and the update handler that says whether it is enabled and checked. The
// menu, the toolbar and the accelerators only ever go through it, so a command
// added later plugs in by registering here.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "viewer/rules/command_ids.h"

namespace pagora::viewer {

struct CommandState {
  bool enabled = true;
  bool checked = false;
};

class CommandRouter {
 public:
  using Action = std::function<void()>;
  using Update = std::function<CommandState()>;
  using Observer = std::function<void()>;

  // Registers the handler of `id`; a command has one handler, so a second
  // registration replaces the first. Without an update handler the command is
  // always enabled and never checked.
  void add(viewer::CommandId id, Action action, Update update = {});

  // The command's state now; a command without a handler is disabled.
  CommandState state(viewer::CommandId id) const;

  // Carries the command out when its update handler enables it, as the
  // framework drops a disabled command. True when it ran.
  bool execute(viewer::CommandId id);

  // Observers are told when states may have changed (the engine reported a
  // change, a command ran); they recompute what they show.
  void addObserver(Observer observer);
  void notifyStateChanged();

 private:
  struct Handler {
    Action action;
    Update update;
  };
  std::map<viewer::CommandId, Handler> handlers_;
  std::vector<Observer> observers_;
};

}  // namespace pagora::viewer
