#include "shell/messageboxes.h"

#include "shell/deployment.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

class RealMessageBoxes final : public MessageBoxes
{
public:
    MessageAnswer show(QWidget *parent, const Message &message) override
    {
        QMessageBox box(parent);
        box.setWindowTitle(message.title);
        box.setText(message.text);
        switch (message.icon) {
        case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        }
        if (message.buttons != MessageButtons::Ok) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(message.buttons == MessageButtons::YesNo ? QMessageBox::Yes : QMessageBox::No);
            box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
            box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
            return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("Aceptar"));
        box.exec();
        return MessageAnswer::Ok;
    }
};

RealMessageBoxes realBoxes;
MessageBoxes *current = &realBoxes;

} // namespace

MessageAnswer showMessage(QWidget *parent, const Message &message)
{
    Message shown = message;
    if (shown.title.isEmpty())
        shown.title = deployment::applicationTitle;
    return current->show(parent, shown);
}

void setMessageBoxes(MessageBoxes *boxes)
{
    current = boxes ? boxes : &realBoxes;
}
