#include "shell/app/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cstring>

#include "qt_test_app.h"
#include "shell/app/ids.h"
#include "shell/app/start_action.h"

namespace meridiana {
namespace {

using Outcome = SingleInstanceGuard::Outcome;

class SingleInstance : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    ASSERT_TRUE(dir_.isValid());
    path_ = dir_.path() + "/Meridiana2";
  }
  QTemporaryDir dir_;
  QString path_;
};

TEST_F(SingleInstance, SecondCopySeesFirstAndItsRaiseRequestArrives) {
  SingleInstanceGuard first(path_);
  ASSERT_EQ(first.Acquire(), Outcome::Owner);
  QSignalSpy raised(&first, &SingleInstanceGuard::raiseRequested);

  SingleInstanceGuard second(path_);
  EXPECT_EQ(second.Acquire(), Outcome::AnotherRunning);
  EXPECT_FALSE(second.isOwner());
  ASSERT_TRUE(raised.wait(3000));
  EXPECT_EQ(raised.count(), 1);

  // A third start is answered just the same.
  SingleInstanceGuard third(path_);
  EXPECT_EQ(third.Acquire(), Outcome::AnotherRunning);
  ASSERT_TRUE(raised.wait(3000));
  EXPECT_EQ(raised.count(), 2);
}

// A start from the launcher's action raises the running copy and has it run the action's menu
// command; a plain start raises it only.
TEST_F(SingleInstance, LaterCopyHandsItsActionToTheRunningOne) {
  SingleInstanceGuard first(path_);
  ASSERT_EQ(first.Acquire(), Outcome::Owner);
  QSignalSpy raised(&first, &SingleInstanceGuard::raiseRequested);
  QSignalSpy actions(&first, &SingleInstanceGuard::actionRequested);

  for (const StartAction action : {StartAction::CitySelector, StartAction::WallpaperMode}) {
    SingleInstanceGuard later(path_, action);
    EXPECT_EQ(later.Acquire(), Outcome::AnotherRunning);
    ASSERT_TRUE(actions.wait(3000));
  }
  ASSERT_EQ(actions.count(), 2);
  EXPECT_EQ(actions[0][0].toInt(), ids::kCmdSelectCity);
  EXPECT_EQ(actions[1][0].toInt(), ids::kCmdWallpaperMode);
  EXPECT_EQ(raised.count(), 2);

  SingleInstanceGuard plain(path_);
  EXPECT_EQ(plain.Acquire(), Outcome::AnotherRunning);
  ASSERT_TRUE(raised.wait(3000));
  EXPECT_EQ(actions.count(), 2);
}

TEST(StartActions, OnlyTheLaunchersActionsAreTakenAndEveryOtherArgumentIsIgnored) {
  const struct {
    std::vector<std::string> arguments;
    StartAction expected;
  } cases[] = {
      {{}, StartAction::None},
      {{"--action=wallpaper"}, StartAction::WallpaperMode},
      {{"--action=city-selector"}, StartAction::CitySelector},
      {{"-style", "fusion", "--action=city-selector"}, StartAction::CitySelector},
      {{"--action=wallpaper", "--action=city-selector"}, StartAction::WallpaperMode},
      {{"--action=nonsense", "--action=city-selector"}, StartAction::CitySelector},
      {{"--action", "wallpaper"}, StartAction::None},
      {{"--action="}, StartAction::None},
      {{"--action=Wallpaper"}, StartAction::None},
      {{"wallpaper"}, StartAction::None},
      {{"x--action=wallpaper"}, StartAction::None},
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const std::string& a : c.arguments) shown += a + ' ';
    EXPECT_EQ(StartActionOfArguments(c.arguments), c.expected) << shown;
  }
}

TEST(StartActions, RequestsReadBackAsTheirActionAndNothingElseDoes) {
  for (const StartAction action :
       {StartAction::None, StartAction::WallpaperMode, StartAction::CitySelector}) {
    EXPECT_EQ(StartActionOfRequest(StartActionRequest(action)), action);
  }
  EXPECT_EQ(StartActionRequest(StartAction::None), "raise\n");  // what older copies send
  for (const std::string_view junk :
       {"", "raise", "action=wallpaper", "action=\n", "action=raise\n", "--action=wallpaper\n",
        "ACTION=wallpaper\n"}) {
    EXPECT_FALSE(StartActionOfRequest(junk).has_value()) << junk;
  }
  EXPECT_EQ(StartActionCommand(StartAction::None), 0);
}

TEST_F(SingleInstance, ReleasedLockCanBeTakenAgain) {
  {
    SingleInstanceGuard first(path_);
    ASSERT_EQ(first.Acquire(), Outcome::Owner);
  }
  EXPECT_FALSE(QFileInfo::exists(path_));
  SingleInstanceGuard next(path_);
  EXPECT_EQ(next.Acquire(), Outcome::Owner);
}

TEST_F(SingleInstance, SocketLeftByCrashedCopyIsTakenOver) {
  // A bound socket whose owner is gone: the file stays, connections are refused.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray native = path_.toLocal8Bit();
  ASSERT_LT(static_cast<size_t>(native.size()), sizeof address.sun_path);
  std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  ASSERT_TRUE(QFileInfo::exists(path_));

  SingleInstanceGuard guard(path_);
  EXPECT_EQ(guard.Acquire(), Outcome::Owner);
  QSignalSpy raised(&guard, &SingleInstanceGuard::raiseRequested);
  SingleInstanceGuard second(path_);
  EXPECT_EQ(second.Acquire(), Outcome::AnotherRunning);
  EXPECT_TRUE(raised.wait(3000));
}

TEST_F(SingleInstance, UnusableLocationRunsUnguarded) {
  SingleInstanceGuard guard(dir_.path() + "/no/such/folder/Meridiana2");
  EXPECT_EQ(guard.Acquire(), Outcome::Unguarded);
  EXPECT_FALSE(guard.isOwner());
}

TEST_F(SingleInstance, SocketOfAnotherUserIsNeitherTrustedNorRemoved) {
  QLocalServer foreign;
  ASSERT_TRUE(foreign.listen(path_));
  if (::chown(path_.toLocal8Bit().constData(), 65534, 65534) != 0) {
    GTEST_SKIP() << "changing a file's owner needs root";
  }
  SingleInstanceGuard guard(path_);
  EXPECT_EQ(guard.Acquire(), Outcome::Unguarded);
  EXPECT_TRUE(QFileInfo::exists(path_));
  EXPECT_FALSE(foreign.hasPendingConnections());
}

TEST_F(SingleInstance, ForeignTrafficDoesNotRaise) {
  SingleInstanceGuard first(path_);
  ASSERT_EQ(first.Acquire(), Outcome::Owner);
  QSignalSpy raised(&first, &SingleInstanceGuard::raiseRequested);
  QLocalSocket socket;
  socket.connectToServer(path_);
  ASSERT_TRUE(socket.waitForConnected(1000));
  socket.write(QByteArray(200, 'x') + "\nraise\n");
  socket.flush();
  EXPECT_FALSE(raised.wait(300));
}

TEST_F(SingleInstance, DefaultPathIsPerUserRuntimeFolder) {
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
  qputenv("XDG_RUNTIME_DIR", dir_.path().toLocal8Bit());
  EXPECT_EQ(SingleInstanceGuard::DefaultServerPath(), dir_.path() + "/Meridiana2");
  qunsetenv("XDG_RUNTIME_DIR");
  EXPECT_TRUE(SingleInstanceGuard::DefaultServerPath().endsWith("/Meridiana2-" +
                                                                QString::number(::getuid())));
  if (!saved.isNull()) qputenv("XDG_RUNTIME_DIR", saved);
}

}  // namespace
}  // namespace meridiana
