#include "shell/startup.h"

#include "password/passwordstore.h"
#include "settings/servicesettings.h"
#include "shell/textfile.h"

#include <QFileInfo>

void recoverInterruptedSaves()
{
    textfile::removeStaleTemporaries(QStringLiteral("."), settingsFileName);
    const QString passwords = QFileInfo(passwordFileName).fileName();
    textfile::removeStaleTemporaries(QStringLiteral("."), passwords);
    textfile::removeStaleTemporaries(QStringLiteral("."), QFileInfo(passwordJournalPath()).fileName());
    textfile::removeStaleTemporaries(QStringLiteral("configuraciones"), QStringLiteral("*.cfg"));
    restorePreviousPassword();
}
