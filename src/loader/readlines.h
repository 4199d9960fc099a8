#pragma once

#include <QByteArray>
#include <QStringList>

// The entries of a script file, each sent to the modem as one line. An entry
// ends at a comma or at the end of its line (CR LF, CR or LF); blanks before
// it are skipped, and everything else, trailing blanks and tabs included, is
// sent as written. A double quote at its start encloses it: the quotes are
// dropped, a comma inside belongs to it, and what follows the closing quote
// up to the next comma or line end is dropped. An entry never reaches past
// its own line, closed quote or not, so no CR or LF is sent inside a line.
// An empty line is an empty entry; a final line break adds none.
QStringList readLines(const QByteArray &bytes);
