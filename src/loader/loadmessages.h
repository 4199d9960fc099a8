#pragma once

#include "shell/message.h"

#include <QString>

// What a load tells the installer, in one place.
namespace loadmessages {

Message powerCycle();
Message missingScript();
Message damagedScript();
Message scriptTooLong(qsizetype lines, int most);
Message journalLeft(const QString &journalPath);
// The port did not open or went away before anything was sent.
Message portRefused(const QString &error);
Message passwordNotStored(const QString &error);
Message logNotOpened(const QString &error);
Message logNotWritten(const QString &error);
Message journalNotRemoved(const QString &journalPath);
Message linkLost(const QString &error);
Message loginRefused(const QString &text);

// Why the modem did not take the login: before the new password went out,
// and after the script's restart.
QString refusedText();
QString refusedAfterRestartText();

} // namespace loadmessages
