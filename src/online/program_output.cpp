#include "online/program_output.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace meridiana {
namespace {

// A child that ended is reaped at once; false while it runs.
bool Reaped(pid_t pid, int* status) {
  for (;;) {
    const pid_t got = ::waitpid(pid, status, WNOHANG);
    if (got == pid) return true;
    if (got < 0 && errno == EINTR) continue;
    return false;
  }
}

// Whatever the pipe holds now, without waiting for more (a helper the program left behind may
// keep it open for good).
void Drain(int fd, std::string& text, std::size_t limit) {
  char buffer[512];
  ssize_t got = 0;
  while (text.size() < limit && (got = ::read(fd, buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<std::size_t>(got));
}

}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      std::chrono::milliseconds deadline) {
  // A few short lines are all that is wanted; a program that says more is not listened to.
  constexpr std::size_t kMaxOutput = 16384;
  // Between looks at whether the program has ended, while it says nothing.
  constexpr int kLookMs = 50;
  ProgramRun run;
  int out[2];
  // Close-on-exec on both ends: a program started meanwhile by another thread must not hold the
  // write end, or this pipe would never end. The child's standard output is a dup2, which keeps
  // it open across exec.
  if (::pipe2(out, O_CLOEXEC) != 0) return run;
  // Only this end waits without blocking: the child's copy of the other stays blocking.
  ::fcntl(out[0], F_SETFL, O_NONBLOCK);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(out[0]);
    return run;
  }
  const auto end = std::chrono::steady_clock::now() + deadline;
  std::string& text = run.output;
  int status = 0;
  bool reaped = false;
  bool open = true;
  const auto stopListening = [&] {
    // Closed early, the pipe ends a program that says more than is wanted.
    if (open) ::close(out[0]);
    open = false;
  };
  while (!reaped) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    if (open && text.size() >= kMaxOutput) stopListening();
    if (open) {
      pollfd watch{out[0], POLLIN, 0};
      const int ready =
          ::poll(&watch, 1, static_cast<int>(std::min<long long>(left.count(), kLookMs)));
      if (ready > 0) {
        char buffer[512];
        const ssize_t got = ::read(out[0], buffer, sizeof buffer);
        if (got > 0) {
          text.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
          stopListening();
        }
        continue;
      }
    } else {
      ::usleep(static_cast<useconds_t>(std::min<long long>(left.count(), kLookMs)) * 1000);
    }
    reaped = Reaped(pid, &status);
  }
  if (reaped && open) Drain(out[0], text, kMaxOutput);
  if (!reaped) {
    // Past the deadline: the program is ended and reaped, never left behind as a zombie.
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  stopListening();
  if (!reaped || !WIFEXITED(status)) return run;
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
