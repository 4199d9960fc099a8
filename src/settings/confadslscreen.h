#pragma once

#include "shell/screen.h"

class DottedQuad;
class QComboBox;
class QLabel;
class QLineEdit;
struct ServiceSettings;

// `confADSL`: shows and edits the one ServiceSettings record. Every change of
// a field goes into the record at once, so the other screens read what is on
// this screen, saved or not; leaving or coming back reloads conf_gen.dat.
class ConfAdslScreen : public Screen
{
    Q_OBJECT
public:
    explicit ConfAdslScreen(ServiceSettings &settings);

protected:
    void activated() override;
    void closeRequested(QCloseEvent *event) override;

private:
    // Shows the record in the fields; each assignment runs the clear step.
    void showSettings();
    void reload();
    void save();
    void backToMainMenu();
    void portTextChanged(const QString &text);
    void showPortDevice();
    void fieldChanged(QLineEdit *field);

    ServiceSettings &m_settings;
    QComboBox *portOptions;
    QLabel *portDevice; // which device the chosen number opens here, and whether it is there
    QLineEdit *minSize;
    QLineEdit *maxSize;
    QLineEdit *vciValue;
    QLineEdit *vpiValue;
    DottedQuad *ipAddEDC;
    DottedQuad *maskAddEDC;
    DottedQuad *ipAddDNS;
};
