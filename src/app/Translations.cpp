#include "app/Translations.h"

#include <QCoreApplication>
#include <QTranslator>

#include "platform/Log.h"
#include "text/Translation.h"

namespace nimbrel {
namespace {

constexpr const char* kEnglishCatalogue = ":/translations/nimbrel_en.qm";

std::string TranslateThroughToolkit(const char* context, const char* source) {
    return QCoreApplication::translate(context, source).toStdString();
}

}  // namespace

bool InstallTranslation(InterfaceLanguage language) {
    if (language == InterfaceLanguage::Russian) return true;
    // Lives as long as the program: the application keeps only a pointer to it.
    static QTranslator english;
    if (english.isEmpty() && !english.load(QString::fromLatin1(kEnglishCatalogue))) {
        NLOG_ERROR("Translations: the English catalogue could not be loaded");
        return false;
    }
    QCoreApplication::installTranslator(&english);
    text::SetTranslator(&TranslateThroughToolkit);
    return true;
}

}  // namespace nimbrel
