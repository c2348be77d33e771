#include "app/Translations.h"

#include <QCoreApplication>
#include <QTranslator>

#include "platform/Log.h"
#include "text/Translation.h"

namespace nimbrel {
namespace {

std::string TranslateThroughToolkit(const char* context, const char* source) {
    return QCoreApplication::translate(context, source).toStdString();
}

}  // namespace

bool InstallTranslation(InterfaceLanguage language) {
    const bool english = language == InterfaceLanguage::English;
    // Live as long as the program: the application keeps only a pointer to them.
    static QTranslator englishCatalogue;
    static QTranslator russianCatalogue;
    QTranslator& catalogue = english ? englishCatalogue : russianCatalogue;
    const QString path = english ? QStringLiteral(":/translations/nimbrel_en.qm")
                                 : QStringLiteral(":/translations/nimbrel_ru.qm");
    if (catalogue.isEmpty() && !catalogue.load(path)) {
        NLOG_ERROR("Translations: the catalogue " << path.toStdString() << " could not be loaded");
        return false;
    }
    QCoreApplication::installTranslator(&catalogue);
    text::SetTranslator(&TranslateThroughToolkit);
    return true;
}

}  // namespace nimbrel
