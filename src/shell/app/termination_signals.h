#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the event loop's thread, so that a session
// logout or `kill` ends the program through its ordinary Quit path (settings saved, exit 0).

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace meridiana {

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  // Only one may exist at a time; a second one installs nothing and never fires.
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

  bool installed() const { return notifier_ != nullptr; }

 signals:
  void terminationRequested();

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace meridiana
