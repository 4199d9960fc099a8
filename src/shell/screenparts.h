#pragma once

#include <QFont>
#include <QString>

#include <utility>

class QBoxLayout;
class QPushButton;
class QWidget;

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

// The two buttons that end a form, the one that acts first and "&Volver"
// last: side by side at the row's two ends, or stacked at the top of a column.
struct FormButtons
{
    QPushButton *act;
    QPushButton *back;
    QBoxLayout *layout;
};
FormButtons formButtons(QWidget *screen, const char *actName, const QString &actCaption, const char *backName,
                        bool stacked = false);
