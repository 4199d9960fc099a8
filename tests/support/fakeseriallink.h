#pragma once

#include "loader/seriallink.h"
#include "loader/timersource.h"

#include <QList>

#include <functional>

#include <utility>

// A serial link for tests: records each write with its (virtual) time, takes
// received bytes from the test, can fail to open or to write, or be unplugged.
class FakeSerialLink final : public SerialLink
{
public:
    explicit FakeSerialLink(const TimerSource *clock) : m_clock(clock) {}

    bool open(int portNumber, QString *error) override
    {
        lastPort = portNumber;
        if (!openError.isEmpty()) {
            *error = openError;
            return false;
        }
        m_open = true;
        m_received.clear();
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes, QString *error) override
    {
        *error = QStringLiteral("No se ha podido escribir en el puerto."); // read on failure only
        if ((m_open &= m_clock->now() != failWriteAt)) {
            writes.append({m_clock->now(), bytes});
            if (farEnd)
                farEnd(bytes);
        }
        return m_open;
    }
    QByteArray readAll() override { return std::exchange(m_received, QByteArray()); }

    void receive(const QByteArray &bytes)
    {
        if (m_open)
            m_received += bytes;
    }
    void unplug(const QString &message = QStringLiteral("El dispositivo ya no está disponible."))
    {
        if (std::exchange(m_open, false))
            emit lost(message);
    }

    QList<std::pair<qint64, QByteArray>> writes;
    QString openError; // not empty: open fails with it
    std::function<void(const QByteArray &)> farEnd; // gets what is written
    qint64 failWriteAt = -1; // a write at this time fails and closes the link
    int lastPort = 0;

private:
    const TimerSource *m_clock;
    QByteArray m_received;
    bool m_open = false;
};
