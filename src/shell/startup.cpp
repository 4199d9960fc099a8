#include "shell/startup.h"

#include "password/passwordstore.h"
#include "shell/textfile.h"

void recoverInterruptedSaves()
{
    // Where the program writes through temporaries: the stored files, the
    // data folder's write probe and the scripts.
    textfile::removeStaleTemporaries(QStringLiteral("."));
    textfile::removeStaleTemporaries(QStringLiteral("configuraciones"));
    restorePreviousPassword();
}
