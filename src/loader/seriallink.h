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
    // Hands the bytes to the port for sending, in order; returns at once.
    // False when they did not reach it (closed, or gone meanwhile): the link
    // is closed then, *error holds a sentence for the user, and lost() does
    // not follow for this loss, since the caller has been told.
    virtual bool write(const QByteArray &bytes, QString *error) = 0;
    // Everything received and not yet read, NUL included; never waits.
    virtual QByteArray readAll() = 0;

signals:
    // The port went away while open (cable or adapter pulled). Emitted
    // once, and never after close(); the link is already closed when it
    // arrives.
    void lost(const QString &message);
};
