#pragma once

#include "loader/seriallink.h"
#include "loader/timersource.h"

#include <QList>

#include <utility>

// A serial link for tests: records every write with the (virtual) time it
// happened, takes received bytes from the test, and can refuse to open or
// be unplugged.
class FakeSerialLink final : public SerialLink
{
public:
    explicit FakeSerialLink(const TimerSource *clock = nullptr)
        : m_clock(clock)
    {
    }

    bool open(int portNumber, QString *error) override
    {
        ++openCount;
        lastPort = portNumber;
        if (!openError.isEmpty()) {
            if (error)
                *error = openError;
            return false;
        }
        m_open = true;
        m_received.clear();
        return true;
    }
    void close() override
    {
        if (m_open)
            ++closeCount;
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    void write(const QByteArray &bytes) override
    {
        writes.append({m_clock ? m_clock->now() : 0, bytes});
    }
    QByteArray readAll() override { return std::exchange(m_received, QByteArray()); }

    // Bytes from the modem; a closed port receives nothing.
    void receive(const QByteArray &bytes)
    {
        if (m_open)
            m_received += bytes;
    }
    // The cable is pulled.
    void unplug(const QString &message = QStringLiteral("El dispositivo ya no está disponible."))
    {
        if (!m_open)
            return;
        m_open = false;
        emit lost(message);
    }

    QList<QByteArray> writtenLines() const
    {
        QList<QByteArray> lines;
        for (const auto &w : writes)
            lines.append(w.second);
        return lines;
    }

    QList<std::pair<qint64, QByteArray>> writes;
    QString openError; // not empty: open fails with it
    int openCount = 0;
    int closeCount = 0;
    int lastPort = 0;

private:
    const TimerSource *m_clock;
    QByteArray m_received;
    bool m_open = false;
};
