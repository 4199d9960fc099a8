#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

inline const QString passwordFileName = QStringLiteral("./claves.dat");
inline const QString defaultPassword = QStringLiteral("trumelox");

// The scrambled form of line 1 (without its quotes): two characters for each
// character of the password. Nothing when a code would fall outside 0 to 255.
std::optional<QByteArray> scramblePassword(const QString &password);

// Restores a password from its scrambled text, reading the first character
// of each pair. Nothing when a code falls outside 0 to 255.
std::optional<QString> unscramblePassword(const QByteArray &scrambled);

// Whether storePassword could write this password so that loadPassword reads
// it back: single-byte characters whose scrambled codes stay within 0 to 255
// and hold no double quote. A password that cannot be read back would lock
// every modem loaded with it out of the next transfer.
bool passwordStorable(const QString &password);

// The password in claves.dat, or "trumelox" when the file is missing,
// empty or damaged. Never fails, shows nothing, creates nothing.
QString loadPassword(const QString &path = passwordFileName);

// Replaces claves.dat with the scrambled password and a random filler line.
// Refuses (false, file untouched) a password that passwordStorable rejects
// and reports a write that fails; *error then holds a sentence for the user.
bool storePassword(const QString &password, QString *error = nullptr,
                   const QString &path = passwordFileName);
