#pragma once

#include "shell/screen.h"

class DottedQuad;
class FieldRules;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// `confADSL`: shows and edits the one ServiceSettings record. Every change of
// a field goes into the record at once, so the other screens read what is on
// this screen, saved or not; leaving or coming back reloads conf_gen.dat.
class ConfAdslScreen : public Screen
{
    Q_OBJECT
public:
    explicit ConfAdslScreen(Application &app);

    // Shows the record in the fields; each assignment runs the clear step.
    void showSettings();

    QGroupBox *optionsPort;
    QLabel *optionsPortTitle;
    QComboBox *portOptions;
    QLabel *portDevice; // which device the chosen number opens here, and whether it is there
    QGroupBox *optionsPhoneSize;
    QLabel *minSizeTitle;
    QLineEdit *minSize;
    QLabel *maxSizeTitle;
    QLineEdit *maxSize;
    QGroupBox *optionsATMCircuit;
    QLabel *circuitValuesTitle;
    QLineEdit *vciValue;
    QLineEdit *vpiValue;
    QGroupBox *optionsEDCs;
    QLabel *ipAddECDTitle;
    DottedQuad *ipAddEDC;
    QLabel *maskAddECDTitle;
    DottedQuad *maskAddEDC;
    QGroupBox *optionsConfDNS;
    QLabel *ipAddDNSTitle;
    DottedQuad *ipAddDNS;
    QPushButton *Save;
    QPushButton *back2main;

    FieldRules *rules() const { return m_rules; }

protected:
    void activated() override;
    void closeRequested(QCloseEvent *event) override;

private:
    void reload();
    void save();
    void backToMainMenu();
    void portTextChanged(const QString &text);
    void showPortDevice();
    void fieldChanged(QLineEdit *field);

    FieldRules *m_rules;
};
