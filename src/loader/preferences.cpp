#include "loader/preferences.h"

#include "shell/textfile.h"

#include <QFileInfo>
#include <QSettings>

namespace {

const QByteArray transferGroup = QByteArrayLiteral("transfer");
const QByteArray transferSection = '[' + transferGroup + ']';
const QByteArray fastLoadKey = QByteArrayLiteral("fastLoad");

} // namespace

Preferences Preferences::load()
{
    Preferences preferences;
    const QSettings file(fileName, QSettings::IniFormat);
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

bool Preferences::saveFastLoad(bool on, QString *error)
{
    QByteArray old;
    // The installer's own lines must survive: a file that is there but
    // cannot be read is not replaced.
    if (QFileInfo::exists(fileName) && !textfile::readAll(fileName, &old)) {
        *error = QStringLiteral("No se puede leer el fichero.");
        return false;
    }
    const QByteArray eol = old.contains("\r\n") || old.isEmpty() ? QByteArrayLiteral("\r\n")
                                                                  : QByteArrayLiteral("\n");
    const QByteArray setting = fastLoadKey + (on ? "=true" : "=false");
    QList<QByteArray> lines = old.isEmpty() ? QList<QByteArray>() : old.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    qsizetype section = -1;
    qsizetype sectionEnd = lines.size();
    qsizetype found = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.startsWith('[')) {
            if (section >= 0 && sectionEnd == lines.size())
                sectionEnd = i;
            if (line == transferSection && section < 0)
                section = i;
        } else if (section >= 0 && sectionEnd == lines.size() && found < 0
                   && line.startsWith(fastLoadKey)
                   && line.mid(fastLoadKey.size()).trimmed().startsWith('=')) {
            found = i;
        }
    }
    if (found >= 0) {
        lines[found] = setting;
    } else if (section >= 0) {
        // After the section's last line that is not blank.
        qsizetype at = sectionEnd;
        while (at > section + 1 && lines[at - 1].trimmed().isEmpty())
            --at;
        lines.insert(at, setting);
    } else {
        lines.append(transferSection);
        lines.append(setting);
    }
    QByteArray text;
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        text += line + eol;
    }
    return textfile::writeAtomically(fileName, text, error);
}
