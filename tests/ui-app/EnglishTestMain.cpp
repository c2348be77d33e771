// Runs the English window tests inside one QApplication on the offscreen platform, with the
// English catalogue installed as the program installs it for NIMBREL_LANG=en.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

#include "app/AppStyle.h"
#include "app/Translations.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("NIMBREL_AUDIO", "null");
    qputenv("NIMBREL_AUDIO_IN", "null");
    QApplication app(argc, argv);
    QApplication::setStyle(new nimbrel::AppStyle(QStringLiteral("Fusion")));
    if (!nimbrel::InstallTranslation(nimbrel::InterfaceLanguage::English)) {
        std::fprintf(stderr, "the English catalogue is not in the program\n");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
