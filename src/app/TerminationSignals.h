// SIGTERM, SIGINT and SIGHUP as a Qt signal, so that a program asked to end from outside (a
// session logging out, a script stopping the demo) closes the way the user's exit does and saves
// its values.
// Threading: construct on the UI thread; the signal handler only writes to a pipe that the UI
// thread's event loop reads.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace nimbrel {

class TerminationSignals : public QObject {
    Q_OBJECT
  public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

  signals:
    void Terminate(int signal);

  private:
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace nimbrel
