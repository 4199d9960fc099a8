#include "modemmodel.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace {

// Record lines stay lines: control bytes and the backslash are written \xNN.
std::string escaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '\\') {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string unescaped(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 2) == "\\x" && i + 3 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 2]))
            && std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
            out += char(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The state file's form, also the end of the record.
std::string stateText(const std::string &password, const std::vector<std::string> &configuration)
{
    std::string out = "password " + escaped(password) + '\n';
    for (const std::string &line : configuration)
        out += "config " + escaped(line) + '\n';
    return out;
}

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
                note("lost", "booting " + escaped(std::exchange(m_lost, {})));
            continue;
        }
        m_arrivingBusy = m_arrivingBusy || m_answerAt.has_value();
        m_input += c;
        if (c == '\r') {
            note(m_arrivingBusy ? "buffered" : "received", escaped(std::exchange(m_arriving, {})));
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
                note("lost", "booting " + escaped(std::exchange(m_lost, {})));
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
    note(accepted ? "accepted" : "refused", escaped(line));
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
        note("lost", "restart " + escaped(m_input));
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

std::optional<ModemFlash> readFlash(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::filesystem::exists(path) ? std::nullopt : std::optional(ModemFlash());
    std::stringstream text;
    text << file.rdbuf();
    const ModemRecord read = parseRecord(text.str());
    if (!read.password)
        return std::nullopt;
    return ModemFlash{*read.password, read.configuration};
}

bool writeFlash(const std::string &path, const ModemFlash &flash)
{
    const std::string temporary = path + ".new";
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << stateText(flash.password, flash.configuration);
    file.close();
    if (!file)
        return false;
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

std::vector<std::string> ModemRecord::texts(std::string_view key) const
{
    std::vector<std::string> out;
    for (const Event &event : events) {
        if (event.key == key)
            out.push_back(event.text);
    }
    return out;
}

ModemRecord parseRecord(std::string_view text)
{
    ModemRecord record;
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        const size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
        if (key == "password") {
            record.password = unescaped(rest);
        } else if (key == "config") {
            record.configuration.push_back(unescaped(rest));
        } else if (!rest.empty()) {
            const size_t end = rest.find(' ');
            const std::string ms = rest.substr(0, end);
            if (ms.empty() || ms.size() > 15 || !std::all_of(ms.begin(), ms.end(), [](unsigned char c) { return std::isdigit(c); }))
                continue;
            record.events.push_back({key, std::stoll(ms),
                                     end == std::string::npos ? std::string() : unescaped(rest.substr(end + 1))});
        }
    }
    return record;
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
