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

// Replaces claves.dat with the scrambled password and a random filler line,
// readable by its owner only. Refuses (false, file untouched) a password
// that passwordStorable rejects and reports a write that fails; *error then
// holds a sentence for the user.
bool storePassword(const QString &password, QString *error = nullptr,
                   const QString &path = passwordFileName);

// A transfer stores the new password before the modem is sent it. Until it
// has been sent, the file it replaced waits in a journal beside claves.dat
// (empty when there was none), with what the transfer wrote, so that a
// transfer cut short, or a program that died, never leaves a password stored
// that the modem does not have.
QString passwordJournalPath(const QString &path = passwordFileName);
// A journal is there: while it is, it may be the only record of the password
// a modem has, and no transfer may replace it.
bool passwordJournalLeft(const QString &path = passwordFileName);
// Journals the current file, then stores the new password. Refuses while a
// journal is left, and when claves.dat is there but cannot be read. On
// failure the old file is in place and no journal of this call is left.
bool storePasswordJournaled(const QString &password, QString *error = nullptr,
                            const QString &path = passwordFileName);
// The modem has been sent the new password: it stays. False when the
// journal could not be removed: the next start would put the old one back.
bool keepStoredPassword(const QString &path = passwordFileName);
// Puts back the file the journal holds while claves.dat still holds what the
// transfer wrote; at start-up and when a transfer ends before the new
// password went out. A claves.dat changed since is never overwritten: the
// journal is kept then, as when the restore fails or the journal cannot be
// read. True when no journal is left.
bool restorePreviousPassword(const QString &path = passwordFileName);

// The access passwords of the program: the one in force, as last read from
// claves.dat (the modem is logged in to with it), and the new one, which the
// next load sets on the modem and stores. The new one follows what the
// password screen holds; a load changes neither.
class PasswordStore
{
public:
    explicit PasswordStore(QString path = passwordFileName) : m_path(std::move(path)) {}

    // Reads claves.dat into the password in force, and the new one with it.
    void loadPassword();
    const QString &currentPass() const { return m_currentPass; }
    const QString &newPassword() const { return m_newPassword; }
    void setNewPassword(const QString &password) { m_newPassword = password; }

private:
    QString m_path;
    QString m_currentPass = defaultPassword;
    QString m_newPassword = defaultPassword;
};
