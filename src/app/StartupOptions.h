// What the program is told when it starts: the network adapter to take its identity from, the
// service to talk to, the folder of the account files, and whether the wall's tour starts at once. The command line wins over the
// environment (NIMBREL_ADAPTER, NIMBREL_SERVICE, NIMBREL_CONFIG_DIR).
// Threading: the start-up thread.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace nimbrel {

struct StartupOptions {
    QString adapter;    // empty: the first adapter that is up (NIMBREL_ADAPTER is read later)
    QString service;    // empty: the built-in service host
    QString configDir;  // empty: the default account folder; else an absolute path
    bool tour = false;  // the wall's tour starts at once (kiosk use)

    // Parses `arguments` (the program's name first). Nothing, after printing why, for a command
    // line it cannot use; `exitCode` then says how to end (0 after --help or --version).
    static std::optional<StartupOptions> Parse(const QStringList& arguments, int& exitCode);
};

}  // namespace nimbrel
