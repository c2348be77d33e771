// Where the program's pictures are: the "res" folder beside the executable, filled by the build
// with the pictures generated from the artwork sources.
// Threading: any thread.
#pragma once

#include <QString>

#include "platform/Process.h"

namespace nimbrel {

// The path of the picture `name` ("CameraRect.bmp", "expand.bmp", ...).
inline QString ResourcePath(const char* name) {
    return QString::fromStdString((ExecutableDir() / "res" / name).string());
}
inline QString ResourcePath(const QString& name) {
    return ResourcePath(name.toUtf8().constData());
}

}  // namespace nimbrel
