#include "tool_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <sstream>

#include "support/scratch_folder.h"

extern char** environ;

namespace pagora::testing {

ToolRun runTool(const std::vector<std::string>& arguments, const std::string& program) {
  ScratchFolder scratch;
  const std::string outPath = scratch / "stdout";
  const std::string errPath = scratch / "stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::vector<std::string> argvStrings{program};
  argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : argvStrings) argv.push_back(argument.data());
  argv.push_back(nullptr);

  ToolRun run;
  pid_t child = 0;
  int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot run " << program;
    return run;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  EXPECT_TRUE(WIFEXITED(status)) << program << " did not exit normally (signal " << WTERMSIG(status) << ")";
  run.out = readFile(outPath);
  run.err = readFile(errPath);
  return run;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace pagora::testing
