#include "password/passwordstore.h"

#include "shell/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

// Every claves.dat already out in the field was scrambled with these: a
// change makes every stored password read back wrong.
constexpr int firstOffset = 20;  // the byte that carries the character
constexpr int secondOffset = 15; // its partner, never read back

} // namespace

std::optional<QByteArray> scramblePassword(const QString &password)
{
    QByteArray scrambled;
    scrambled.reserve(password.size() * 2);
    for (qsizetype index = 0; index < password.size(); ++index) {
        const int code = password[index].unicode();
        const int i = int(index) + 1;
        const int s = i % 2 == 0 ? 1 : -1;
        const int first = code - s * i - firstOffset;
        const int second = code - s * i + secondOffset;
        if (code > 255 || first < 0 || second > 255)
            return std::nullopt;
        scrambled += char(first);
        scrambled += char(second);
    }
    return scrambled;
}

std::optional<QString> unscramblePassword(const QByteArray &scrambled)
{
    QString password;
    // Only the first character of each pair carries the password.
    for (qsizetype i = 1; i <= scrambled.size(); i += 2) {
        const int c = quint8(scrambled[i - 1]);
        const int k = int(i + 1) / 2;
        const int t = k % 2 == 0 ? 1 : -1;
        const int code = c + k * t + firstOffset;
        if (code < 0 || code > 255)
            return std::nullopt;
        password += QChar(code);
    }
    return password;
}

bool passwordStorable(const QString &password)
{
    const std::optional<QByteArray> scrambled = scramblePassword(password);
    return scrambled && !scrambled->contains('"');
}

QString loadPassword(const QString &path)
{
    QByteArray bytes;
    if (!textfile::readAll(path, &bytes))
        return defaultPassword;
    // The scrambled text may hold any byte, line breaks included, so the
    // value is found by its quotes rather than by its line.
    qsizetype open = 0;
    while (open < bytes.size() && bytes[open] == ' ')
        ++open;
    if (open >= bytes.size() || bytes[open] != '"')
        return defaultPassword;
    const qsizetype close = bytes.indexOf('"', open + 1);
    if (close < 0)
        return defaultPassword;
    return unscramblePassword(bytes.mid(open + 1, close - open - 1)).value_or(defaultPassword);
}

namespace {

// The scrambled password, then a filler line that carries nothing and only
// keeps the file's shape; nothing when passwordStorable rejects it.
std::optional<QByteArray> passwordFileBytes(const QString &password)
{
    const std::optional<QByteArray> scrambled = scramblePassword(password);
    if (!scrambled || scrambled->contains('"'))
        return std::nullopt;
    QByteArray bytes = '"' + *scrambled + "\"\r\n";
    QRandomGenerator *random = QRandomGenerator::global();
    const int fillerLength = 1 + int(random->bounded(2));
    for (int n = 0; n < fillerLength; ++n)
        bytes += char(random->bounded(2));
    return bytes + "\r\n";
}

bool writePasswordFile(const QString &path, const QByteArray &bytes, QString *error)
{
    return textfile::writeAtomically(path, bytes, error, /*createDir=*/false, /*ownerOnly=*/true);
}

// The journal: the size of the file it replaced on a line of its own, that
// file, then what the transfer wrote in its place.
struct Journal
{
    QByteArray previous;
    QByteArray written;
};

std::optional<Journal> readJournal(const QString &journal)
{
    QByteArray bytes;
    if (textfile::readFile(journal, &bytes) != textfile::ReadResult::Ok)
        return std::nullopt;
    const qsizetype lineEnd = bytes.indexOf("\r\n");
    bool isNumber = false;
    const qsizetype size = lineEnd > 0 ? bytes.left(lineEnd).toLongLong(&isNumber) : -1;
    const QByteArray rest = bytes.mid(lineEnd + 2);
    if (!isNumber || size < 0 || size >= rest.size())
        return std::nullopt;
    return Journal{rest.left(size), rest.mid(size)};
}

} // namespace

bool storePassword(const QString &password, QString *error, const QString &path)
{
    const std::optional<QByteArray> bytes = passwordFileBytes(password);
    if (!bytes) {
        if (error) {
            *error = QStringLiteral("La clave introducida no se puede guardar en el fichero "
                                    "de claves.");
        }
        return false;
    }
    return writePasswordFile(path, *bytes, error);
}

QString passwordJournalPath(const QString &path)
{
    return path + QStringLiteral(".anterior");
}

bool passwordJournalLeft(const QString &path)
{
    const QFileInfo journal(passwordJournalPath(path));
    return journal.exists() || journal.isSymLink();
}

bool storePasswordJournaled(const QString &password, QString *error, const QString &path)
{
    const std::optional<QByteArray> bytes = passwordFileBytes(password);
    if (!bytes)
        return storePassword(password, error, path);
    const QString journal = passwordJournalPath(path);
    // It may hold the only record of the password a modem has.
    if (passwordJournalLeft(path)) {
        if (error) {
            *error = QStringLiteral("Ya existe el fichero %1 de una carga que no terminó.")
                         .arg(QFileInfo(journal).absoluteFilePath());
        }
        return false;
    }
    // A damaged file would load as the default anyway: none to keep. One
    // that cannot be read (left by a run with sudo) is not missing: journaled
    // as none, a cut load would delete it.
    QByteArray previous;
    const textfile::ReadResult read = textfile::readFile(path, &previous);
    if (read == textfile::ReadResult::Missing && QFileInfo::exists(path)) {
        if (error) {
            *error = QStringLiteral("No se puede leer el fichero %1.\r\nCompruebe que es un fichero y que "
                                    "su usuario puede leerlo (propietario y permisos; por ejemplo, tras "
                                    "abrir el programa con sudo: sudo chown $USER %1) y vuelva a cargar.")
                         .arg(QFileInfo(path).absoluteFilePath());
        }
        return false;
    }
    if (read != textfile::ReadResult::Ok)
        previous.clear();
    const QByteArray record = QByteArray::number(previous.size()) + "\r\n" + previous + *bytes;
    if (!textfile::writeAtomically(journal, record, error, false, /*ownerOnly=*/true))
        return false;
    if (!writePasswordFile(path, *bytes, error)) {
        textfile::removeDurably(journal);
        return false;
    }
    return true;
}

bool keepStoredPassword(const QString &path)
{
    return textfile::removeDurably(passwordJournalPath(path));
}

bool restorePreviousPassword(const QString &path)
{
    const QString journalPath = passwordJournalPath(path);
    if (!passwordJournalLeft(path))
        return true;
    const std::optional<Journal> journal = readJournal(journalPath);
    if (!journal)
        return false;
    QByteArray current;
    if (textfile::readFile(path, &current) != textfile::ReadResult::Ok && QFileInfo::exists(path))
        return false;
    bool restored = false;
    if (current == journal->written) {
        restored = journal->previous.isEmpty()
            ? textfile::removeDurably(path)
            : writePasswordFile(path, journal->previous, nullptr);
    } else {
        // Cut short before the store, claves.dat still holds the file the
        // journal keeps. Anything else was put there since, by hand: it
        // stays, and so does the journal.
        restored = current == journal->previous;
    }
    // Kept when the restore failed: the next start tries again, and no
    // transfer runs meanwhile.
    return restored && textfile::removeDurably(journalPath);
}

void PasswordStore::loadPassword()
{
    m_currentPass = ::loadPassword(m_path);
    m_newPassword = m_currentPass;
}
