#pragma once

#include "device/serialadapters.h"
#include "shell/screen.h"

#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class LogView;
class ModemLoad;
class Timer;
class TimerSource;
struct ServiceSettings;
struct TransferProgress;

// `inputFromModem`, "Command log": picks a saved configuration by telephone
// number, runs a load and shows the modem's console live. A second window
// beside the main menu; destroyed when its window is closed, while the load
// it shows lives on. It decides its controls from what the load says.
class InputFromModemScreen : public Screen
{
    Q_OBJECT
public:
    InputFromModemScreen(const ServiceSettings &settings, ModemLoad &load, TimerSource &timers,
                         AdapterSource adapters);
    ~InputFromModemScreen() override;

    // M_loadConf, with the telephone number of the subscriber when it was
    // saved: that number, the length limit of the settings, the buttons;
    // then shown, the first time beside the given window.
    void openFromMainMenu(const std::optional<QString> &savedPhone, const QWidget *beside);

    bool stopSendingCommands() const;

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
    // The controls while no load runs; the log box as it stands.
    void showIdle();
    void showRunning(bool running);
    void showFinished(bool stopped);
    void showProgress(const TransferProgress &progress);
    void updateLoadConf();
    void saveFastLoad(bool on);
    void placeBeside(const QWidget &window);
    // The port a load would open, and whether it is there.
    void showPort();

    const ServiceSettings &m_settings;
    ModemLoad &m_load;
    QLineEdit *userPhoneNumberValue;
    LogView *inputValue;
    QPushButton *loadConf;
    QPushButton *closeButton; // `close`
    QPushButton *stopCommads; // spelt as the object name always was: tools find the button by it
    QCheckBox *fastLoad;
    QProgressBar *progress; // phase and time remaining
    QLabel *verdict;        // what the modem sent back, after each load
    QLabel *portState;
    AdapterSource m_adapters;
    std::unique_ptr<Timer> m_portTimer;
};
