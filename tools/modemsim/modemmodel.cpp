#include "modemmodel.h"

#include <algorithm>
#include <utility>

namespace {

bool isCommandModeLine(const std::string &line)
{
    return line == "conf" || line == "restore config default" || line.starts_with("save conf start")
        || line == "restart" || line == "logout";
}

} // namespace

ModemModel::ModemModel(ModemSettings settings, ModemFlash flash)
    : m_settings(std::move(settings))
    , m_flash(std::move(flash))
    , m_running(m_flash.configuration)
    , m_random(m_settings.seed)
{
    if (m_settings.bootingMs > 0) {
        m_bootEnd = m_settings.bootingMs;
        boot();
    }
}

void ModemModel::receive(std::int64_t ms, std::string_view bytes)
{
    advanceTo(ms);
    for (const char c : bytes) {
        if (m_bootEnd) {
            m_lost += c;
            if (c == '\r')
                note("lost", "booting " + escapedRecordText(std::exchange(m_lost, {})));
            continue;
        }
        m_arrivingBusy = m_arrivingBusy || m_answerAt.has_value();
        m_input += c;
        if (c == '\r') {
            note(m_arrivingBusy ? "buffered" : "received", escapedRecordText(std::exchange(m_arriving, {})));
            m_arrivingBusy = false;
        } else {
            m_arriving += c;
        }
        readInput();
    }
}

void ModemModel::advanceTo(std::int64_t ms)
{
    while (const auto next = nextEvent()) {
        if (*next > ms)
            break;
        m_now = std::max(m_now, *next);
        if (m_bootPauseAt) {
            m_bootPauseAt.reset();
            m_output += "Loading image...";
        } else if (m_bootEnd) {
            m_bootEnd.reset();
            if (!m_lost.empty())
                note("lost", "booting " + escapedRecordText(std::exchange(m_lost, {})));
            m_output += m_settings.texts.banner + m_settings.eol + m_settings.texts.login;
        } else if (m_busyFor > 0) {
            m_output += m_settings.busyText;
            m_answer = m_settings.eol + m_answer;
            m_answerAt = m_now + std::exchange(m_busyFor, 0);
        } else {
            m_answerAt.reset();
            m_output += std::exchange(m_answer, {});
        }
        readInput();
    }
    m_now = std::max(m_now, ms);
}

std::optional<std::int64_t> ModemModel::nextEvent() const
{
    return m_bootPauseAt ? m_bootPauseAt : m_bootEnd ? m_bootEnd : m_answerAt;
}

std::string ModemModel::takeOutput()
{
    return std::exchange(m_output, {});
}

std::string ModemModel::takeRecord()
{
    return std::exchange(m_record, {});
}

bool ModemModel::takeFlashChange()
{
    return std::exchange(m_flashChanged, false);
}

std::string ModemModel::finalState() const
{
    return stateText(m_flash.password, m_running);
}

void ModemModel::readInput()
{
    while (!m_answerAt && !m_bootEnd && !m_input.empty()) {
        const char c = m_input.front();
        m_input.erase(0, 1);
        if (c == '\r') {
            if (m_settings.noisePercent > 0 && int(m_random() % 100) < m_settings.noisePercent)
                m_output += std::string("\0#\b", 3);
            m_output += m_settings.eol;
            m_answer = answer(std::exchange(m_line, {}));
            if (!m_bootEnd) {
                const auto spread = std::uint64_t(m_settings.answerMax - m_settings.answerMin) + 1;
                m_answerAt = m_now + m_settings.answerMin + std::int64_t(m_random() % spread);
            }
        } else if (c == '\b' || c == 0x7f) {
            if (!m_line.empty())
                m_line.pop_back();
            if (m_settings.echo)
                m_output += "\b \b";
        } else {
            m_line += c;
            if (m_settings.echo)
                m_output += c;
        }
    }
}

std::string ModemModel::answer(const std::string &line)
{
    const ModemTexts &texts = m_settings.texts;
    switch (m_mode) {
    case Mode::Login:
        if (line.empty())
            return texts.login;
        m_user = line;
        m_mode = Mode::Password;
        return texts.password;
    case Mode::Password: {
        const bool right = m_user == "admin" && line == m_flash.password;
        note("login", right ? "ok" : "refused");
        m_mode = right ? Mode::Command : Mode::Login;
        if (right && !m_settings.busyText.empty())
            m_busyFor = m_settings.busyLoginMs;
        return right ? prompt() : texts.refused + m_settings.eol + texts.login;
    }
    default:
        break;
    }
    if (line.empty())
        return prompt();
    const bool accepted = command(line);
    note(accepted ? "accepted" : "refused", escapedRecordText(line));
    if (m_bootEnd || m_mode == Mode::Login)
        return {};
    return (accepted ? std::string() : texts.error + m_settings.eol) + prompt();
}

std::string ModemModel::prompt()
{
    const ModemTexts &texts = m_settings.texts;
    const bool configuring = m_mode == Mode::Config || m_mode == Mode::PasswordNode;
    const std::string &text = configuring && !texts.configPrompt.empty() ? texts.configPrompt : texts.prompt;
    if (!m_settings.countingPrompt)
        return text;
    return std::to_string(++m_prompts) + ' ' + text;
}

bool ModemModel::command(const std::string &line)
{
    if (m_mode == Mode::Command) {
        if (!isCommandModeLine(line))
            return false;
        if (line == "conf") {
            m_mode = Mode::Config;
        } else if (line == "restart") {
            restart();
        } else if (line == "logout") {
            m_mode = Mode::Login;
        } else { // restore or save
            if (line.starts_with("restore"))
                m_running.clear();
            m_flash.configuration = m_running;
            m_flashChanged = true;
        }
        return true;
    }
    if (isCommandModeLine(line))
        return false;
    if (line == "top" || line == "quit") {
        m_mode = line == "top" ? Mode::Config : Mode::Command;
    } else if (m_mode == Mode::PasswordNode) {
        if (!line.starts_with("admin "))
            return false;
        m_flash.password = line.substr(6);
        m_flashChanged = true;
    } else if (line == "password") {
        m_mode = Mode::PasswordNode;
    } else {
        m_running.push_back(line);
    }
    if (!m_settings.busyText.empty() && line != "top" && line != "quit")
        m_busyFor = m_busyCommands++ ? m_settings.busyMs : m_settings.busyFirstMs;
    return true;
}

void ModemModel::restart()
{
    if (!m_input.empty())
        note("lost", "restart " + escapedRecordText(m_input));
    m_input.clear();
    m_arriving.clear();
    m_arrivingBusy = false;
    m_running = m_flash.configuration;
    m_mode = Mode::Login;
    m_bootEnd = m_now + m_settings.bootMs;
    boot();
}

void ModemModel::boot()
{
    if (m_settings.bootPause) {
        m_output += "Booting" + m_settings.eol;
        m_bootPauseAt = m_now + (*m_bootEnd - m_now) / 2;
    }
}

void ModemModel::note(std::string_view key, std::string_view text)
{
    m_record += std::string(key) + ' ' + std::to_string(m_now) + ' ' + std::string(text) + '\n';
}

std::vector<std::string> configurationOf(const std::vector<std::string> &script)
{
    std::vector<std::string> out;
    bool configuring = false;
    for (const std::string &line : script) {
        if (line == "conf")
            configuring = true;
        else if (line == "quit")
            configuring = false;
        else if (configuring && line != "top")
            out.push_back(line);
    }
    return out;
}
