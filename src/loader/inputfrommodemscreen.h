#pragma once

#include "loader/transferdialogue.h"
#include "loader/transferlog.h"
#include "shell/screen.h"

#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class FieldRules;
class LogView;
class SerialLink;

// `inputFromModem`, "Command log": picks a saved configuration by telephone
// number, runs the transfer and shows the modem's console live. A second
// window beside the main menu; destroyed when its window is closed.
class InputFromModemScreen : public Screen
{
    Q_OBJECT
public:
    explicit InputFromModemScreen(Application &app);
    ~InputFromModemScreen() override;

    // M_loadConf: the telephone number of a saved subscriber, the length
    // limit of the settings, the buttons; then shown.
    void openFromMainMenu();

    QLabel *userPhoneNumTitle;
    QLineEdit *userPhoneNumberValue;
    LogView *inputValue;
    QPushButton *loadConf;
    QPushButton *close;
    QPushButton *stopCommads;
    QProgressBar *progress; // phase and time remaining
    QLabel *verdict;        // what the modem sent back, after each load

    bool stopSendingCommands() const { return m_dialogue->stopSendingCommands(); }

    TransferDialogue &dialogue() { return *m_dialogue; }
    TransferLog &log() { return m_log; }
    // The entry rules of the telephone field; its invalidKey is `error`.
    FieldRules *rules() { return m_rules; }

protected:
    void activated() override;
    void closeRequested(QCloseEvent *event) override;

private:
    void startTransfer();
    void closeClicked();
    void applyControls(const TransferControls &controls);
    void showProgress(const TransferProgress &progress);
    void updateLoadConf();
    void placeBesideMainMenu();

    FieldRules *m_rules;
    TransferLog m_log;
    std::unique_ptr<SerialLink> m_link;
    std::unique_ptr<TransferDialogue> m_dialogue;
};
