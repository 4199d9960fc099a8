#pragma once

#include "fields/octets.h"

#include <QWidget>
#include <QtTest>

// Helpers shared by the screen tests.

inline Octets quad(const QString &dotted)
{
    const QStringList parts = dotted.split(u'.');
    return {parts.value(0), parts.value(1), parts.value(2), parts.value(3)};
}

inline void click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton);
}

// A group's title, or a label's or a button's text.
inline QString caption(const QWidget *screen, const char *name)
{
    const QWidget *w = screen->findChild<QWidget *>(name);
    return w ? w->property(w->property("title").isValid() ? "title" : "text").toString() : "<none>";
}

// The names of the first n widgets that Tab reaches from first on.
inline QStringList tabOrder(QWidget *first, qsizetype n)
{
    QStringList names;
    for (QWidget *w = first; names.size() < n; w = w->nextInFocusChain()) {
        if (w->focusPolicy() != Qt::NoFocus && !w->focusProxy())
            names << w->objectName();
    }
    return names;
}

// octetNames({"a", "b"}) gives a_0 .. a_3, b_0 .. b_3: the octets of dotted quads.
inline QStringList octetNames(std::initializer_list<const char *> quads)
{
    QStringList names;
    for (const char *name : quads) {
        for (int i = 0; i < 4; ++i)
            names << QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
    }
    return names;
}
