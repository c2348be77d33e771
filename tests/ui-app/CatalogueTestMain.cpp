// Runs the window tests of one language inside one QApplication on the offscreen platform, with
// that language's catalogue installed as the program installs it (NIMBREL_TEST_ENGLISH chooses
// English, as NIMBREL_LANG=en runs the program; else Russian, the default).
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
#ifdef NIMBREL_TEST_ENGLISH
    const auto language = nimbrel::InterfaceLanguage::English;
#else
    const auto language = nimbrel::InterfaceLanguage::Russian;
#endif
    if (!nimbrel::InstallTranslation(language)) {
        std::fprintf(stderr, "the catalogue is not in the program\n");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
