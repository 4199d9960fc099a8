#include "loader/preferences.h"

#include "shell/textfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

#include <optional>

namespace {

const QByteArray transferGroup = QByteArrayLiteral("transfer");
const QByteArray transferSection = '[' + transferGroup + ']';
const QByteArray fastLoadKey = QByteArrayLiteral("fastLoad");

Preferences read(const QString &path)
{
    Preferences preferences;
    // QSettings would block on a FIFO or device, and a folder is no file.
    if (const QFileInfo info(path); info.exists() && !info.isFile())
        return preferences;
    const QSettings file(path, QSettings::IniFormat);
    // A file QSettings could only half parse is not trusted for any key.
    if (file.status() != QSettings::NoError)
        return preferences;

    // One block per key: an unreadable value is an invalid variant.
    if (const QVariant words = file.value(QStringLiteral("verdict/errorWords")); words.isValid()) {
        preferences.errorWords.clear();
        for (const QString &word : words.toStringList()) {
            // An empty word would be found in every answer.
            if (!word.trimmed().isEmpty())
                preferences.errorWords.append(word.trimmed());
        }
    }
    if (const QVariant fast = file.value(QString::fromLatin1(transferGroup + '/' + fastLoadKey)); fast.isValid())
        preferences.fastLoad = fast.toBool();
    for (auto [key, text] : {std::pair{"transfer/loginPrompt", &preferences.loginPrompt},
                             std::pair{"transfer/passwordPrompt", &preferences.passwordPrompt},
                             std::pair{"transfer/commandPrompt", &preferences.commandPrompt}}) {
        // The modem speaks single bytes: a text it cannot show is no prompt.
        if (const QVariant value = file.value(QString::fromLatin1(key));
            value.isValid() && textfile::isSingleByte(value.toString()))
            *text = value.toString();
    }
    return preferences;
}

// What the program would read from these bytes.
std::optional<Preferences> readBytes(const QByteArray &bytes)
{
    QTemporaryFile file(QDir::temp().filePath(QStringLiteral("adslconf-XXXXXX.ini")));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return std::nullopt;
    return read(file.fileName());
}

} // namespace

Preferences Preferences::load()
{
    return read(fileName);
}

bool Preferences::saveFastLoad(bool on, QString *error)
{
    QByteArray old;
    // The installer's own lines must survive: a file that is there but
    // cannot be read is not replaced, nor is a FIFO, device or folder.
    if (QFileInfo::exists(fileName)) {
        switch (textfile::readFile(fileName, &old)) {
        case textfile::ReadResult::Ok: break;
        case textfile::ReadResult::Missing:
            *error = QStringLiteral("No se puede leer el fichero.");
            return false;
        case textfile::ReadResult::Damaged:
            *error = QStringLiteral("No es un fichero de texto normal o es demasiado grande.");
            return false;
        }
    }
    const QByteArray eol = old.contains("\r\n") || old.isEmpty() ? QByteArrayLiteral("\r\n")
                                                                  : QByteArrayLiteral("\n");
    const QByteArray setting = fastLoadKey + (on ? "=true" : "=false");
    QList<QByteArray> lines = old.isEmpty() ? QList<QByteArray>() : old.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    // QSettings merges a section given twice and takes a key's last value:
    // every fastLoad line of every [transfer] section is set alike.
    bool inSection = false;
    bool found = false;
    qsizetype sectionEnd = -1; // of the last [transfer] section
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.startsWith('[')) {
            inSection = line == transferSection;
        } else if (inSection && line.startsWith(fastLoadKey)
                   && line.mid(fastLoadKey.size()).trimmed().startsWith('=')) {
            lines[i] = setting;
            found = true;
        }
        // After the section's last line that is not blank.
        if (inSection && !line.isEmpty())
            sectionEnd = i + 1;
    }
    if (!found && sectionEnd >= 0)
        lines.insert(sectionEnd, setting);
    if (!found && sectionEnd < 0)
        lines << transferSection << setting;
    QByteArray text;
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        text += line + eol;
    }
    // A line the edit cannot see through (an unclosed quote, a value
    // continued onto the next line) could hide the change, or change another
    // key: the old file stays unless the new one reads back as chosen.
    std::optional<Preferences> expected = readBytes(old);
    const std::optional<Preferences> readBack = readBytes(text);
    if (!expected || !readBack) {
        *error = QStringLiteral("No se puede comprobar el fichero nuevo.");
        return false;
    }
    expected->fastLoad = on;
    if (*readBack != *expected) {
        *error = QStringLiteral("El fichero tiene una línea que el programa no sabe cambiar; "
                                "corríjala a mano o bórrela.");
        return false;
    }
    return textfile::writeAtomically(fileName, text, error);
}
