#include "online/program_output.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace meridiana {

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args) {
  ProgramRun run;
  int out[2];
  if (::pipe(out) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string& text = run.output;
  if (spawned == 0) {
    char buffer[512];
    ssize_t got = 0;
    // A few short lines are all that is wanted; a program that says more is not listened to.
    while (text.size() < 16384 && (got = ::read(out[0], buffer, sizeof buffer)) > 0)
      text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(out[0]);
  int status = 0;
  if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return run;
  run.ran = true;
  run.exitStatus = WEXITSTATUS(status);
  return run;
}

std::string FirstLineOf(const std::string& program, const std::vector<std::string>& args) {
  const ProgramRun run = RunProgram(program, args);
  if (!run.ok()) return {};
  return run.output.substr(0, run.output.find('\n'));
}

}  // namespace meridiana
