#include "loader/modemload.h"

#include "device/seriallink.h"
#include "password/passwordstore.h"

ModemLoad::ModemLoad(std::unique_ptr<SerialLink> link, TimerSource &timers, PasswordStore &passwords,
                     TransferTimings timings, QObject *parent)
    : QObject(parent)
    , m_link(std::move(link))
    , m_passwords(passwords)
    , m_log(this)
    , m_dialogue(*m_link, timers, m_log, m_logFile, timings, this)
{
    connect(&m_dialogue, &TransferDialogue::runningChanged, this, &ModemLoad::runningChanged);
    connect(&m_dialogue, &TransferDialogue::stopAllowedChanged, this, &ModemLoad::stopAllowedChanged);
    connect(&m_dialogue, &TransferDialogue::progressChanged, this, &ModemLoad::progressChanged);
    connect(&m_dialogue, &TransferDialogue::phoneNumberRefused, this, &ModemLoad::phoneNumberRefused);
    connect(&m_dialogue, &TransferDialogue::failed, this, &ModemLoad::failed);
    connect(&m_dialogue, &TransferDialogue::finished, this, &ModemLoad::finished);
}

ModemLoad::~ModemLoad() = default;

std::optional<Message> ModemLoad::prepare(const QString &phone, int comPort, bool fast)
{
    return m_dialogue.prepare(
        {phone, comPort, m_passwords.currentPass(), m_passwords.newPassword(), fast});
}

std::optional<Message> ModemLoad::begin()
{
    return m_dialogue.begin();
}

void ModemLoad::stop()
{
    m_dialogue.stop();
}

void ModemLoad::release()
{
    m_dialogue.closePort();
    m_log.clear();
}

void ModemLoad::viewActivated()
{
    m_dialogue.screenActivated();
}

void ModemLoad::end()
{
    m_dialogue.endForExit();
}
