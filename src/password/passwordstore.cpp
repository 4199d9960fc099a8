#include "password/passwordstore.h"

#include "shell/textfile.h"

#include <QFile>
#include <QRandomGenerator>

std::optional<QByteArray> scramblePassword(const QString &password)
{
    QByteArray scrambled;
    scrambled.reserve(password.size() * 2);
    for (qsizetype index = 0; index < password.size(); ++index) {
        const int code = password[index].unicode();
        const int i = int(index) + 1;
        const int s = i % 2 == 0 ? 1 : -1;
        const int first = code - s * i - 20;
        const int second = code - s * i + 15;
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
        const int code = c + k * t + 20;
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

bool storePassword(const QString &password, QString *error, const QString &path)
{
    const std::optional<QByteArray> scrambled = scramblePassword(password);
    if (!scrambled || scrambled->contains('"')) {
        if (error) {
            *error = QStringLiteral("La clave introducida no se puede guardar en el fichero "
                                    "de claves.");
        }
        return false;
    }

    QByteArray bytes = '"' + *scrambled + "\"\r\n";
    // The filler line carries nothing; it only keeps the file's shape.
    QRandomGenerator *random = QRandomGenerator::global();
    const int fillerLength = 1 + int(random->bounded(2));
    for (int n = 0; n < fillerLength; ++n)
        bytes += char(random->bounded(2));
    bytes += "\r\n";
    return textfile::writeAtomically(path, bytes, error, /*createDir=*/false, /*ownerOnly=*/true);
}

QString passwordJournalPath(const QString &path)
{
    return path + QStringLiteral(".anterior");
}

bool storePasswordJournaled(const QString &password, QString *error, const QString &path)
{
    if (!passwordStorable(password))
        return storePassword(password, error, path);
    // A damaged file would load as the default anyway: none to keep.
    QByteArray previous;
    if (textfile::readFile(path, &previous) != textfile::ReadResult::Ok)
        previous.clear();
    const QString journal = passwordJournalPath(path);
    if (!textfile::writeAtomically(journal, previous, error, false, /*ownerOnly=*/true))
        return false;
    if (!storePassword(password, error, path)) {
        QFile::remove(journal);
        return false;
    }
    return true;
}

void keepStoredPassword(const QString &path)
{
    QFile::remove(passwordJournalPath(path));
}

void restorePreviousPassword(const QString &path)
{
    const QString journal = passwordJournalPath(path);
    QByteArray previous;
    if (textfile::readFile(journal, &previous) != textfile::ReadResult::Ok)
        return;
    const bool restored = previous.isEmpty()
        ? (!QFile::exists(path) || QFile::remove(path))
        : textfile::writeAtomically(path, previous, nullptr, false, /*ownerOnly=*/true);
    // Kept when the restore failed: the next start tries again.
    if (restored)
        QFile::remove(journal);
}
