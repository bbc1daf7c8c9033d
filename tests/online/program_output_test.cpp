#include "online/program_output.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <fstream>

#include "support/temp_dir.h"

namespace meridiana {
namespace {

std::string Script(const TempDir& dir, const char* name, const std::string& body) {
  const std::string path = dir.Write(name, "#!/bin/sh\n" + body);
  ::chmod(path.c_str(), 0755);
  return path;
}

pid_t PidIn(const std::string& file) {
  std::ifstream in(file);
  long pid = 0;
  in >> pid;
  return static_cast<pid_t>(pid);
}

bool Gone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

// A tool that hangs (a settings daemon that never answers) must not hold the window: it is
// killed at the deadline and reaped, not left as a zombie.
TEST(RunProgram, AHangingToolIsKilledAndReapedAtTheDeadline) {
  TempDir dir;
  const struct {
    const char* name;
    const char* body;
  } cases[] = {
      {"silent", "exec sleep 300\n"},
      {"speaks_then_hangs", "echo half; exec sleep 300\n"},
      {"closes_output_and_hangs", "exec >&-; exec sleep 300\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string pidFile = dir.File(std::string(c.name) + ".pid");
    const std::string tool =
        Script(dir, c.name, "echo $$ > '" + pidFile + "'\n" + std::string(c.body));
    const auto start = std::chrono::steady_clock::now();
    const ProgramRun run = RunProgram(tool, {}, std::chrono::milliseconds(300));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_FALSE(run.ok());
    const pid_t pid = PidIn(pidFile);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(Gone(pid)) << "pid " << pid << " still there";
    if (!Gone(pid)) ::kill(pid, SIGKILL);
  }
}

// A tool that leaves a helper behind on its standard output (as a bus daemon started on demand
// does) has still answered once it exits.
TEST(RunProgram, ToolThatExitsCountsEvenWhenItsHelperKeepsTheOutputOpen) {
  TempDir dir;
  const std::string pidFile = dir.File("helper.pid");
  const std::string tool =
      Script(dir, "leaves_helper", "sleep 300 &\necho $! > '" + pidFile + "'\necho 'value'\n");
  const auto start = std::chrono::steady_clock::now();
  const ProgramRun run = RunProgram(tool, {}, std::chrono::seconds(20));
  const pid_t helper = PidIn(pidFile);
  if (helper > 0) ::kill(helper, SIGKILL);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  EXPECT_TRUE(run.ok());
  EXPECT_EQ(run.output, "value\n");
}

// The tool sees its output pipe once, as standard output: no second copy of the write end (which
// would also reach every other program started meanwhile and keep the pipe from ending).
TEST(RunProgram, TheToolInheritsNoStrayDescriptorOfThePipe) {
  TempDir dir;
  const std::string tool = Script(dir, "list_fds",
                                  "for f in /proc/$$/fd/*; do\n"
                                  "  [ \"$f\" -ef /proc/$$/fd/1 ] && echo \"${f##*/}\"\n"
                                  "done\nexit 3\n");
  const ProgramRun run = RunProgram(tool, {});
  EXPECT_TRUE(run.ran);
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_EQ(run.output, "1\n");
}

}  // namespace
}  // namespace meridiana
