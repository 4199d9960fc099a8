#pragma once

#include <QString>

// A modal message as the screens show it. Logic code may build these (the
// texts are the system's own); only the screens show them.
enum class MessageIcon { None, Information, Warning, Critical };
// YesNoDefaultNo: Enter answers No, for a question whose Yes undoes what
// the user set up by hand.
enum class MessageButtons { Ok, YesNo, YesNoDefaultNo };
enum class MessageAnswer { Ok, Yes, No };

struct Message
{
    QString title; // empty: the application's title shows
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;

    bool operator==(const Message &) const = default;
};
