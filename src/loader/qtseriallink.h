#pragma once

#include "loader/seriallink.h"

// Placeholder: the serial link on Qt SerialPort.
class QtSerialLink final : public SerialLink
{
    Q_OBJECT
public:
    bool open(int, QString *error) override { if (error) *error = QString(); return false; }
    void close() override {}
    bool isOpen() const override { return false; }
    void write(const QByteArray &) override {}
    QByteArray readAll() override { return {}; }
};
