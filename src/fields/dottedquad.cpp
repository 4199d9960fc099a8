#include "fields/dottedquad.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace {
// A field's frame and margins, beside its text.
constexpr int fieldPadding = 12;
// An octet field is as wide as four digits, one more than it holds.
constexpr int octetFieldDigits = 4;
} // namespace

int digitFieldWidth(const QFontMetrics &metrics, int digits)
{
    return metrics.horizontalAdvance(QString(digits, u'0')) + fieldPadding;
}

DottedQuad::DottedQuad(const QString &name, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(name);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            layout->addWidget(new QLabel(QStringLiteral("."), this));
        auto *octet = new QLineEdit(this);
        octet->setObjectName(name + u'_' + QString::number(i));
        octet->setMaxLength(3);
        octet->setFixedWidth(digitFieldWidth(octet->fontMetrics(), octetFieldDigits));
        octet->setAlignment(Qt::AlignCenter);
        layout->addWidget(octet);
        m_fields[i] = octet;
    }
    layout->addStretch();
}

int DottedQuad::indexOf(const QObject *field) const
{
    for (int i = 0; i < 4; ++i) {
        if (m_fields[i] == field)
            return i;
    }
    return -1;
}

Octets DottedQuad::octets() const
{
    return {m_fields[0]->text(), m_fields[1]->text(), m_fields[2]->text(), m_fields[3]->text()};
}

void DottedQuad::setOctets(const Octets &octets)
{
    for (int i = 0; i < 4; ++i)
        m_fields[i]->setText(octets[i]);
}

void DottedQuad::clear()
{
    setOctets({});
}

void DottedQuad::setFieldFont(const QFont &font)
{
    for (QLineEdit *octet : m_fields) {
        octet->setFont(font);
        octet->setFixedWidth(digitFieldWidth(QFontMetrics(font), octetFieldDigits));
    }
}
