// One running program per user: the first start holds a lock file and listens on a local socket;
// a later start finds the lock taken, asks the first one over the socket to show its window, and
// ends.
// Threading: the UI thread (the socket is served by its event loop).
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace nimbrel {

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kDefaultKey = "F1CBDB4F-E4C0-FED5-A494-A062B90A59FA";

    explicit SingleInstance(const QString& key = kDefaultKey, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first: it now holds the lock and answers later starts.
    // False when another process holds it, or the lock or the socket could not be had.
    bool Claim();
    bool Claimed() const { return claimed_; }
    // Whether the lock is held by another running process.
    bool HeldElsewhere() const { return heldElsewhere_; }

    // For a later start: asks the first process to show its window and waits for its answer.
    // False when none answered within `timeoutMs` (it may still be starting).
    bool AskFirstToShow(int timeoutMs = 3000) const;

    QString LockPath() const { return lockPath_; }
    QString ServerName() const { return serverName_; }

  signals:
    // A later start asked for the window.
    void ShowRequested();

  private:
    void Serve();

    QString lockPath_;
    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
    bool claimed_ = false;
    bool heldElsewhere_ = false;
};

}  // namespace nimbrel
