#include "loader/preferences.h"

#include <QSettings>

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
    return preferences;
}
