#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// A fresh, empty working folder for one test; the program's files are all
// relative to it. The previous folder comes back when it goes. inMemory: on
// /dev/shm where there is one, for a test that puts files on the disk by the
// thousand.
class WorkDir
{
public:
    explicit WorkDir(bool inMemory = false)
        : m_previous(QDir::currentPath())
        , m_dir((inMemory && QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                                  : QDir::tempPath())
                + u'/' + QCoreApplication::applicationName() + QStringLiteral("-XXXXXX"))
    {
        QVERIFY2(m_dir.isValid(), "no temporary folder");
        QDir::setCurrent(m_dir.path());
    }
    ~WorkDir() { QDir::setCurrent(m_previous); }

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(bytes) == bytes.size();
}
