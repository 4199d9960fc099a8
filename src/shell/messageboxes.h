#pragma once

#include "shell/message.h"

class QWidget;

// The one seam between the screens and the toolkit's message boxes. Screens
// call showMessage(); tests install a stand-in that records and answers.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // message.title is already resolved to the application's title when empty.
    virtual MessageAnswer show(QWidget *parent, const Message &message) = 0;
};

// Shows the message modally and returns the button pressed.
MessageAnswer showMessage(QWidget *parent, const Message &message);

// Installs a stand-in; nullptr brings back the real message boxes.
void setMessageBoxes(MessageBoxes *boxes);
