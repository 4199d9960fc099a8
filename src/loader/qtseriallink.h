#pragma once

#include "loader/seriallink.h"

#include <QSerialPort>

// The serial link on Qt SerialPort. It owns the port, reports open failures
// as sentences for the user, and closes the port itself when the device goes
// away (QSerialPort would otherwise stay open and report errors in a tight
// loop), telling the loss once through lost().
class QtSerialLink final : public SerialLink
{
    Q_OBJECT
public:
    explicit QtSerialLink(QObject *parent = nullptr);
    ~QtSerialLink() override;

    bool open(int portNumber, QString *error) override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray &bytes, QString *error) override;
    QByteArray readAll() override;

    // For reading back the line settings of the open port.
    const QSerialPort &port() const { return m_port; }

private:
    void onError(QSerialPort::SerialPortError error);
    QString describe() const;

    QSerialPort m_port;
    int m_portNumber = 0;
    QString m_device;
    // Bytes that had arrived when the device went away: still delivered.
    QByteArray m_leftover;
    bool m_configuring = false;
    quint64 m_connection = 0; // counts opens and closes: a loss reported late is stale
};
