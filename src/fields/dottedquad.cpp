#include "fields/dottedquad.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

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
        octet->setFixedWidth(octet->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
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
        octet->setFixedWidth(QFontMetrics(font).horizontalAdvance(QStringLiteral("0000")) + 12);
    }
}
