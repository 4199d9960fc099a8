#pragma once

// The installer's preferences, in adslconf.ini in the data folder, read
// through QSettings (INI, UTF-8). conf_gen.dat keeps the old tool's format,
// so what that tool never had lives here. The program writes only the one
// key the transfer screen's check box changes; a missing or damaged file
// gives the defaults, and so does a key that is missing or cannot be read.

#include <QString>
#include <QStringList>

struct Preferences
{
    static inline const QString fileName = QStringLiteral("adslconf.ini");

    // verdict/errorWords: an answer of the modem holding one of these, in
    // any case, is an error answer. Present but empty: none is.
    QStringList errorWords{QStringLiteral("error"), QStringLiteral("invalid"), QStringLiteral("incorrect"),
                           QStringLiteral("unknown"), QStringLiteral("fail"), QStringLiteral("denied")};

    // transfer/fastLoad: the transfer screen's "Carga rápida" box.
    bool fastLoad = false;
    // transfer/loginPrompt, passwordPrompt, commandPrompt: the modem's texts
    // a fast load waits for, for a modem that fools their learning. Empty:
    // learned.
    QString loginPrompt;
    QString passwordPrompt;
    QString commandPrompt;

    bool operator==(const Preferences &) const = default;

    static Preferences load();
    // Sets transfer/fastLoad and keeps every other line of the file as it
    // is, comments included. Fails, leaving the file as it was, where it is
    // not a regular file or the new one would not read back as chosen; then
    // *error says why, in Spanish.
    static bool saveFastLoad(bool on, QString *error);
};
