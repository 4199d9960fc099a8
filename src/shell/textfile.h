#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The program's files are single-byte (Latin-1) text with CR LF line ends.
// Conversion to and from QString happens here and nowhere else.
namespace textfile {

// Each line followed by CR LF, encoded as Latin-1. Characters above 255
// cannot be stored: the caller must have refused them (see isSingleByte).
QByteArray joinLines(const QStringList &lines);

bool isSingleByte(const QString &text);

// Far above any file the program writes (the largest, a script, is about
// 1 KB), low enough that a stray huge file is never read whole.
constexpr qint64 maxFileSize = 1024 * 1024;

enum class ReadResult {
    Ok,
    Missing,  // absent or cannot be opened
    Damaged,  // not a regular file (a FIFO or device would block), or too large
};

// Reads a whole file of at most maxFileSize bytes; never blocks on a
// special file.
ReadResult readFile(const QString &path, QByteArray *bytes);
// Reads a whole file. Returns false when it is missing, unreadable or damaged.
bool readAll(const QString &path, QByteArray *bytes);

// The program's temporary files carry this in their names, then six random
// letters or digits; start-up removes only what does. No copy an installer
// names by hand ("conf_gen.dat.backup") carries it.
inline constexpr char temporaryMarker[] = "~adslconf-tmp~";

// Replaces the file whole, or leaves the old one untouched: the bytes go to a
// temporary file beside it, created afresh (never through a link), put on the
// disk, then renamed over the target, and the rename itself put on the disk.
// A link (or a chain of them, a dangling one included) is kept: the file it
// leads to is replaced, its temporary beside it; a loop of links fails. The
// new file keeps the old one's permissions unless ownerOnly.
// With createDir, a missing parent directory is created and the write tried
// once more (never the folder a link leads to). With ownerOnly the file (and its temporary, from its creation)
// can be read by its owner alone where the file system holds permissions;
// where it holds none (FAT, exFAT) it is written all the same. On failure
// *error holds a sentence for the user, in Spanish.
bool writeAtomically(const QString &path, const QByteArray &bytes, QString *error,
                     bool createDir = false, bool ownerOnly = false);

// Makes path a symbolic link to target in one step, in place of whatever
// stood there: made under a temporary name beside it, renamed over it and
// the rename put on the disk. False, path as it was, where that fails or the
// system has no such links.
bool placeLink(const QString &path, const QString &target);

// Removes the file and puts the removal on the disk; a link stays and the
// file it leads to goes. True when the file is gone, also when it was not
// there.
bool removeDurably(const QString &path);

// Makes an open file (a POSIX descriptor) readable by its owner alone; false
// where the file system cannot hold permissions. Tests swap it for one that
// fails to stand for such a file system.
extern bool (*restrictToOwner)(int fd);

// Removes the temporaries that a save cut short left in dir: the files whose
// names end in temporaryMarker and six characters, and beside the file each
// link in dir leads to, those named after that file. Nothing else is touched.
void removeStaleTemporaries(const QString &dir);

// Values of a delimited text file, read the way the stored files were
// written: a value ends at a comma or a line break (CR LF, CR or LF counted
// as one break), leading and trailing blanks are dropped and a value wholly
// enclosed in double quotes loses them (a comma inside quotes does not end
// it). An empty line gives an empty value; a final line break adds none.
QStringList readValues(const QByteArray &bytes);

} // namespace textfile
