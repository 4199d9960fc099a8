#pragma once

#include <QString>

// Where the program keeps its files (conf_gen.dat, claves.dat,
// configuraciones/, logs/). Every file path is relative, so the program
// changes into this folder before it reads anything.
namespace datafolder {

// The folder name under the user's documents when the program is started
// from the desktop menu.
inline constexpr auto perUserName = "ADSL";

// The rule, in order:
//  1. a folder given with --dir (dirOption not null) is used, relative to the
//     working folder;
//  2. a working folder holding conf_gen.dat or claves.dat is an existing
//     installation and is kept;
//  3. the home folder (where the desktop menu starts programs) or a working
//     folder that cannot be written (a Windows shortcut into Program Files)
//     gives the per-user folder <documents>/ADSL;
//  4. any other working folder is used as it is (./run.sh, a folder of the
//     installer's own).
QString choose(const QString &dirOption, const QString &workingDir, const QString &homeDir,
               const QString &documentsDir, bool workingDirWritable);

// Whether a file can be created in the folder; a real try, since permission
// bits tell little on Windows or to root.
bool isWritable(const QString &folder);

// Creates the folder if missing, checks that it can be written and makes it
// the working folder. On failure *error holds a message for the user, in
// Spanish, and the working folder is unchanged.
bool enter(const QString &folder, QString *error);

} // namespace datafolder
