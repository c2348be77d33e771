#include "app/AppIdentity.h"

#include <QApplication>

#include "BuildVersion.h"

namespace nimbrel {

void SetApplicationIdentity() {
    QApplication::setApplicationName(QStringLiteral("nimbrel"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(kVersionMajor).arg(kVersionMinor));
    QApplication::setDesktopFileName(QStringLiteral("nimbrel"));
}

}  // namespace nimbrel
