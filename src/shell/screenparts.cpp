#include "shell/screenparts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

QFont classicFont(qreal points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

FormButtons formButtons(QWidget *screen, const char *actName, const QString &actCaption, const char *backName,
                        bool stacked)
{
    FormButtons row{named<QPushButton>(actName, actCaption, screen),
                    named<QPushButton>(backName, QStringLiteral("&Volver"), screen),
                    stacked ? static_cast<QBoxLayout *>(new QVBoxLayout) : new QHBoxLayout};
    row.layout->addWidget(row.act);
    if (!stacked)
        row.layout->addStretch();
    row.layout->addWidget(row.back);
    if (stacked)
        row.layout->addStretch();
    return row;
}
