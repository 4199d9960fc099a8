#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial line to the modem's console. The real one sits on Qt
// SerialPort; tests use a stand-in.
class SerialLink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens port N at 9600 baud, no parity, 8 data bits, 1 stop bit, no flow
    // control, DTR low. On failure *error holds a sentence for the user.
    virtual bool open(int portNumber, QString *error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Queues the bytes for sending, in order; returns at once.
    virtual void write(const QByteArray &bytes) = 0;
    // Everything received and not yet read, NUL included; never waits.
    virtual QByteArray readAll() = 0;

signals:
    // The port went away while open (cable or adapter pulled). Emitted
    // once; the link is already closed when it arrives.
    void lost(const QString &message);
};
