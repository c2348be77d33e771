#include "app/StartupOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <cstdio>

namespace nimbrel {

std::optional<StartupOptions> StartupOptions::Parse(const QStringList& arguments, int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Farlo видео-клиент"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption adapter(
        QStringLiteral("adapter"),
        QStringLiteral("Network adapter whose identity the client uses (e.g. lo)."),
        QStringLiteral("name"));
    const QCommandLineOption service(
        QStringLiteral("service"),
        QStringLiteral("Address of the cloud service, e.g. http://127.0.0.1:8080."),
        QStringLiteral("url"));
    const QCommandLineOption configDir(QStringLiteral("config-dir"),
                                       QStringLiteral("Folder of the account files."),
                                       QStringLiteral("dir"));
    const QCommandLineOption tour(
        QStringLiteral("tour"),
        QStringLiteral("Start the wall's tour of its pages at once (kiosk use)."));
    parser.addOptions({adapter, service, configDir, tour});
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        exitCode = 2;
        return std::nullopt;
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        std::printf("%s\n",
                    qPrintable(parser.isSet(help) ? parser.helpText()
                                                  : QCoreApplication::applicationName() + ' ' +
                                                        QCoreApplication::applicationVersion()));
        exitCode = 0;
        return std::nullopt;
    }
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    StartupOptions options;
    options.adapter = parser.value(adapter);
    options.tour = parser.isSet(tour);
    options.service = parser.isSet(service) ? parser.value(service)
                                            : env.value(QStringLiteral("NIMBREL_SERVICE"));
    options.configDir = parser.isSet(configDir) ? parser.value(configDir)
                                                : env.value(QStringLiteral("NIMBREL_CONFIG_DIR"));
    // Taken as given at the start, before the program moves into its own folder.
    if (!options.configDir.isEmpty())
        options.configDir = QFileInfo(options.configDir).absoluteFilePath();
    return options;
}

}  // namespace nimbrel
