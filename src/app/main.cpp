// nimbrel: the desktop program. Everything it does from start to end is NimbrelApp's.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFont>
#include <atomic>
#include <cstdlib>

#include "app/AppIdentity.h"
#include "app/AppStyle.h"
#include "app/CNimbrelDlg.h"
#include "app/NimbrelApp.h"
#include "app/StartupOptions.h"
#include "app/TerminationSignals.h"
#include "platform/Process.h"
#include "platform/RequestWorker.h"
#include "service/ui/LoginWindow.h"

namespace {

std::atomic<bool> mainReturned{false};

// The window system can end the process from inside the event loop (the display went away):
// then threads still run and use the program's records, so it ends at once instead of tearing
// those records down under them.
void EndAtOnceUnlessMainReturned() {
    if (!mainReturned) std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    nimbrel::SetApplicationIdentity();
    QApplication::setStyle(new nimbrel::AppStyle(QStringLiteral("Fusion")));
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    QApplication::setFont(font);

    int exitCode = 0;
    const auto options = nimbrel::StartupOptions::Parse(QApplication::arguments(), exitCode);
    if (!options) return exitCode;
    std::atexit(EndAtOnceUnlessMainReturned);
    // Relative paths ("config/", "res/") resolve beside the executable.
    QDir::setCurrent(QString::fromStdString(nimbrel::ExecutableDir().string()));

    nimbrel::NimbrelApp program(application, *options);
    nimbrel::TerminationSignals termination;
    QObject::connect(&termination, &nimbrel::TerminationSignals::Terminate, &program, [&program] {
        if (program.MainWindow())
            program.MainWindow()->OnCancel();
        else if (program.Login())
            program.Login()->reject();
        else if (auto* message = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            // A message before any window (the service out of reach, say) runs an event loop of
            // its own, which quit() does not end (it ends only the application's loop): it is
            // answered as the user's OK would be.
            message->reject();
        else
            QApplication::quit();
    });
    const int rc = program.Run();
    // Requests that a closed window abandoned end by themselves; give them a moment, so that
    // none is still running while the process tears its records down.
    nimbrel::RequestWorker::WaitForAllThreads(std::chrono::seconds(5));
    mainReturned = true;
    return rc;
}
