#pragma once

// The installer's preferences, in adslconf.ini in the data folder, read
// through QSettings (INI, UTF-8). conf_gen.dat keeps the old tool's format,
// so what that tool never had lives here. The program does not write the
// file; a missing or damaged one gives the defaults, and so does a key
// that is missing or cannot be read.

#include <QString>
#include <QStringList>

struct Preferences
{
    static inline const QString fileName = QStringLiteral("adslconf.ini");

    // verdict/errorWords: an answer of the modem holding one of these, in
    // any case, is an error answer. Present but empty: none is.
    QStringList errorWords{QStringLiteral("error"), QStringLiteral("invalid"), QStringLiteral("incorrect"),
                           QStringLiteral("unknown"), QStringLiteral("fail"), QStringLiteral("denied")};

    static Preferences load();
};
