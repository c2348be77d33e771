// Runs the desktop program's tests inside one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/AppStyle.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // No sound card is needed: device audio plays into nothing and talk captures silence.
    qputenv("NIMBREL_AUDIO", "null");
    qputenv("NIMBREL_AUDIO_IN", "null");
    QApplication app(argc, argv);
    QApplication::setStyle(new nimbrel::AppStyle(QStringLiteral("Fusion")));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
