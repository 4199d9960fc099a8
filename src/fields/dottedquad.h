#pragma once

#include "shell/octets.h"

#include <QWidget>

#include <array>

class QFontMetrics;
class QLineEdit;

// The fixed width of an entry field that shows this many digits in this
// font, with room for the field's frame.
int digitFieldWidth(const QFontMetrics &metrics, int digits);

// One IPv4 address or mask as four octet fields side by side, dots between
// them. The fields are named "<name>_0".."<name>_3", index 0 the leftmost
// and most significant; each holds at most 3 characters.
class DottedQuad : public QWidget
{
    Q_OBJECT
public:
    explicit DottedQuad(const QString &name, QWidget *parent = nullptr);

    QLineEdit *field(int index) const { return m_fields.at(index); }
    // The index of one of this control's fields, or -1.
    int indexOf(const QObject *field) const;

    Octets octets() const;
    // Assigns each text in turn; every assignment is a change like a typed one.
    void setOctets(const Octets &octets);
    void clear();

    void setFieldFont(const QFont &font);

private:
    std::array<QLineEdit *, 4> m_fields;
};
