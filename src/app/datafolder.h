#pragma once

#include "shell/message.h"

#include <QLockFile>
#include <QString>
#include <QStringList>

// Where the program keeps its files (conf_gen.dat, claves.dat,
// configuraciones/, logs/). Every file path is relative, so the program
// changes into this folder before it reads anything, and holds it for the
// whole run so that a second copy started on it touches nothing.
namespace datafolder {

// The folder name under the user's documents when the program is started
// from the desktop menu.
inline constexpr auto perUserName = "ADSL";

// <documents>/ADSL, or <home>/ADSL where the system names no documents folder.
QString perUserFolder(const QString &documentsDir, const QString &homeDir);

struct Choice
{
    QString folder;
    // The read-only installation in the working folder that sent the
    // program to the per-user folder; empty otherwise.
    QString readOnlyInstallation;
};

// The rule, in order:
//  1. a folder given with --dir (dirOption not null) is used, relative to the
//     working folder;
//  2. a working folder holding an installation (see isInstallation) that can
//     be written is kept;
//  3. the home folder (where the desktop menu starts programs) or a working
//     folder that cannot be written (a Windows shortcut into Program Files,
//     with or without an installation) gives the per-user folder
//     <documents>/ADSL;
//  4. any other working folder is used as it is (./run.sh, a folder of the
//     installer's own).
Choice choose(const QString &dirOption, const QString &workingDir, const QString &homeDir,
              const QString &documentsDir, bool workingDirWritable);

// Whether the folder holds conf_gen.dat, claves.dat, a script
// (configuraciones/*.cfg) or a load's log (logs/<digits>.log).
bool isInstallation(const QString &folder);

// Whether a file can be created in the folder; a real try, since permission
// bits tell little on Windows or to root.
bool isWritable(const QString &folder);

// Creates the folder if missing and makes it the working folder. On failure
// *error holds a message for the user, in Spanish, and the working folder is
// unchanged. Whether it can be written, the lock (Hold) finds out.
bool enter(const QString &folder, QString *error);

// Copies the stored files of the installation in folder `from` into the
// working folder: conf_gen.dat, claves.dat (owner-only) and the scripts.
// What the working folder already holds is never replaced. The logs stay
// behind: the program never reads them back, and they can hold the modem's
// echo of a password. Returns the names that could not be copied.
QStringList copyInstallation(const QString &from);

// The error box of a data folder the program cannot work in.
Message failure(const QString &sentence);

// This copy's hold on the working folder for the whole run: a lock file that
// a second copy finds, and that a copy which died leaves for the next one to
// take over.
class Hold
{
public:
    Hold();
    enum class Outcome { Started, AlreadyRunning, Unwritable };
    struct Result
    {
        Outcome outcome;
        Message message; // to show the installer; empty text: nothing to say
    };
    // Takes the lock, and only then touches the folder: the first time, the
    // read-only installation's files are copied in; then what an interrupted
    // run left is put right. Only Started goes on.
    Result take(const QString &readOnlyInstallation = QString());

private:
    QLockFile m_lock;
};

} // namespace datafolder
