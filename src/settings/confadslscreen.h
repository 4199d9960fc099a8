#pragma once

#include "device/serialadapters.h"
#include "shell/screen.h"

#include <optional>

class DottedQuad;
class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
struct ServiceSettings;

// `confADSL`: shows and edits the one ServiceSettings record. Every change of
// a field goes into the record at once, so the other screens read what is on
// this screen, saved or not; leaving or coming back reloads conf_gen.dat.
// The port selector also lists the adapters that `adapters` gives, read
// again while the screen is shown; choosing one picks the number it is
// bound to, and Save binds it.
class ConfAdslScreen : public Screen
{
    Q_OBJECT
public:
    ConfAdslScreen(ServiceSettings &settings, AdapterSource adapters);

protected:
    void activated() override;
    void closeRequested(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // Shows the record in the fields; each assignment runs the clear step.
    void showSettings();
    void reload();
    void save();
    void backToMainMenu();
    void portTextChanged(const QString &text);
    void showPortDevice();
    void refreshAdapters();
    void portChosen(int index);
    // After conf_gen.dat: binds the adapter chosen to the number saved.
    void bindChosenAdapter();
    void fieldChanged(QLineEdit *field);

    ServiceSettings &m_settings;
    QComboBox *portOptions;
    QLabel *portDevice; // which device the chosen number opens here, and whether it is there
    AdapterSource m_adapterSource;
    QList<SerialAdapter> m_adapters; // as the selector lists them, after the numbered ports
    std::optional<SerialAdapter> m_chosenAdapter; // to be bound at Save
    QTimer *m_adapterPoll;
    QLineEdit *minSize;
    QLineEdit *maxSize;
    QLineEdit *vciValue;
    QLineEdit *vpiValue;
    DottedQuad *ipAddEDC;
    DottedQuad *maskAddEDC;
    DottedQuad *ipAddDNS;
};
