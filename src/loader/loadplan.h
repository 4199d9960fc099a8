#pragma once

#include "loader/commomdata.h"

#include <QString>
#include <QStringList>

#include <array>

// What one load sends and how long it waits after each line, worked out
// before the port opens; no link and no clock.
struct LoadPlan
{
    // The password phase, in the order the modem's console asks for it.
    enum LoginLine {
        firstEmptyLine,
        secondEmptyLine,
        userLine,
        currentPasswordLine,
        confLine,
        passwordCommandLine,
        newPasswordLine, // "admin " + the new password
        topLine,
        quitLine,
        loginLast = quitLine,
    };
    // The script's placeholder "*****" for the new password.
    static constexpr int scriptPasswordLine = 3;
    // Script lines 0 to 3 restore, restart and log in again: stopping among
    // them would leave the modem in an unknown state.
    static constexpr int unstoppableScriptLines = 4;
    // Script line 1 restarts the modem.
    static constexpr int restartLine = 1;

    std::array<QString, commomData::tableSize> loginLines;
    std::array<QString, commomData::tableSize> scriptLines;
    int scriptLast = -1; // -1: an empty script
    std::array<double, commomData::tableSize> lineWaits{};
    std::array<bool, commomData::tableSize> stopAllowed{};
};

// The plan of a load of `script` (at most commomData::tableSize lines).
LoadPlan planLoad(const QStringList &script, const QString &currentPass, const QString &newPass,
                  qint64 lineWait, qint64 restartWait);
