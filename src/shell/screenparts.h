#pragma once

#include <QFont>
#include <QString>

#include <utility>

// Controls carry their screen names as object names, so that code and tests
// reach them by the same names the screens are described with.
template<typename T, typename... Args>
T *named(const char *name, Args &&...args)
{
    auto *widget = new T(std::forward<Args>(args)...);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The screens were drawn in MS Sans Serif; where it is missing the nearest
// sans serif stands in.
QFont classicFont(qreal points, bool bold);
