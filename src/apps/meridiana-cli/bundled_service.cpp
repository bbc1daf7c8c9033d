#include "bundled_service.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string_view>
#include <thread>

extern char** environ;

namespace meridiana::cli {
namespace {

constexpr std::string_view kListeningLine = "listening on 127.0.0.1:";

}  // namespace

std::string BundledService::Start(const std::string& program,
                                  const std::vector<std::string>& extra) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  std::vector<std::string> arguments = {program, "--listen", "127.0.0.1:0"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    pid_ = -1;
    ::close(out[0]);
    return {};
  }
  std::string line;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (line.find('\n') == std::string::npos && line.size() < 256) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    pollfd fd{out[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[256];
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, static_cast<std::size_t>(n));
  }
  // Nothing more is read: the service prints nothing else there.
  ::close(out[0]);
  if (line.rfind(kListeningLine, 0) != 0) return {};
  const int port = std::atoi(line.c_str() + kListeningLine.size());
  if (port <= 0 || port > 65535) return {};
  return "http://127.0.0.1:" + std::to_string(port);
}

BundledService::~BundledService() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

}  // namespace meridiana::cli
