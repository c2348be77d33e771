// A report of what the running program shows, for the end-to-end tests and for looking at the
// program on a machine without a screen: with NIMBREL_REPORT=FILE set, twice a second FILE gets
// a JSON summary (the tree's devices, each camera's state and pane, whether its picture has
// content) and FILE.png a picture of the main window.
// Threading: the UI thread.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

namespace nimbrel {

class ClientSession;
class CNimbrelDlg;

class StateReport : public QObject {
    Q_OBJECT
  public:
    StateReport(ClientSession& session, CNimbrelDlg& window, QString path, int periodMs = 500);

    // A report when NIMBREL_REPORT names a file, else none.
    static std::unique_ptr<StateReport> FromEnvironment(ClientSession& session,
                                                        CNimbrelDlg& window);

    // The summary as it stands.
    QJsonObject Summary() const;
    // Writes the summary and the window's picture now.
    void Write();

  private:
    ClientSession& session_;
    CNimbrelDlg& window_;
    const QString path_;
    QTimer timer_;
};

}  // namespace nimbrel
