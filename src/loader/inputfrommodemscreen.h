#pragma once

#include "loader/transferdialogue.h"
#include "device/serialadapters.h"
#include "loader/transferlog.h"
#include "shell/screen.h"

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class LogView;
class SerialLink;
class Timer;
class TimerSource;
struct ServiceSettings;

// The passwords a load logs in with and sets, asked for when it starts.
struct AccessPasswords
{
    QString current;
    QString next;
};

// `inputFromModem`, "Command log": picks a saved configuration by telephone
// number, runs the transfer and shows the modem's console live. A second
// window beside the main menu; destroyed when its window is closed.
class InputFromModemScreen : public Screen
{
    Q_OBJECT
public:
    InputFromModemScreen(const ServiceSettings &settings, std::function<AccessPasswords()> passwords,
                         std::unique_ptr<SerialLink> link, TimerSource &timers, AdapterSource adapters);
    ~InputFromModemScreen() override;

    // M_loadConf, with the telephone number of the subscriber when it was
    // saved: that number, the length limit of the settings, the buttons;
    // then shown, the first time beside the given window.
    void openFromMainMenu(const std::optional<QString> &savedPhone, const QWidget *beside);

    bool stopSendingCommands() const { return m_dialogue->stopSendingCommands(); }
    TransferDialogue &dialogue() { return *m_dialogue; }

signals:
    // The main menu's buttons that lead elsewhere are disabled meanwhile.
    void transferRunning(bool running);

protected:
    void activated() override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeRequested(QCloseEvent *event) override;

private:
    void startTransfer();
    void closeClicked();
    // Empties the progress bar and the verdict of the last load.
    void clearOutcome();
    void applyControls(const TransferControls &controls);
    void showProgress(const TransferProgress &progress);
    void updateLoadConf();
    void saveFastLoad(bool on);
    void placeBeside(const QWidget &window);
    // The port a load would open, and whether it is there.
    void showPort();

    const ServiceSettings &m_settings;
    const std::function<AccessPasswords()> m_passwords;
    QLineEdit *userPhoneNumberValue;
    LogView *inputValue;
    QPushButton *loadConf;
    QPushButton *closeButton; // `close`
    QPushButton *stopCommads;
    QCheckBox *fastLoad;
    QProgressBar *progress; // phase and time remaining
    QLabel *verdict;        // what the modem sent back, after each load
    QLabel *portState;
    TransferLog m_log;
    std::unique_ptr<SerialLink> m_link;
    std::unique_ptr<TransferDialogue> m_dialogue;
    AdapterSource m_adapters;
    std::unique_ptr<Timer> m_portTimer;
};
