#pragma once
// One running copy per user. The first copy listens on a local (Unix domain) socket; a later
// copy finds it there, asks it to bring its windows to the front (and to do the action it was
// started for, start_action.h) and ends. A socket file left
// behind by a copy that crashed answers no connection and is taken over.

#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <string>

#include "shell/app/start_action.h"

class QSocketNotifier;

namespace meridiana {

class SingleInstanceGuard : public QObject {
  Q_OBJECT

 public:
  enum class Outcome {
    Owner,           // this is the only copy; raise requests will arrive here
    AnotherRunning,  // the running copy was asked to come to the front; this one should end
    Unguarded,       // the lock could not be set up; run without it
  };

  // serverPath: the socket's full path (see DefaultServerPath).
  // action: what a later copy asks the running one to do besides coming to the front.
  explicit SingleInstanceGuard(QString serverPath, StartAction action = StartAction::None,
                               QObject* parent = nullptr);
  ~SingleInstanceGuard() override;

  Outcome Acquire();
  // Stops listening and removes the socket file.
  void Release();
  bool isOwner() const;

  // "Meridiana2" in $XDG_RUNTIME_DIR, which belongs to the user alone; without it, in the
  // temporary folder with the user id appended.
  static QString DefaultServerPath();

 signals:
  void raiseRequested();
  // After raiseRequested, for a later copy started with an action: the menu command to run.
  void actionRequested(int command);

 private:
  struct Connection {
    std::unique_ptr<QSocketNotifier> notifier;
    std::string received;
  };

  bool AskRunningCopyToRaise();
  bool Listen();
  void OnNewConnection();
  void OnReadable(int fd);
  void CloseConnection(int fd);

  QString serverPath_;
  StartAction action_;
  int listenFd_ = -1;
  std::unique_ptr<QSocketNotifier> listenNotifier_;
  std::map<int, Connection> connections_;
};

}  // namespace meridiana
