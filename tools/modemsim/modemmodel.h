#pragma once

// The console of a Nokia M1112 as a model in time, for the simulator and for
// tests. It knows no terminal and no clock: bytes come in at a time, its
// answers are due at times (nextEvent), and time moves only when the host
// says so (advanceTo). The real console's texts are unknown, so all of them
// are settings.
//
// The console, as modelled:
//   - not logged in: an empty line gets the login prompt, any other is a
//     user name and gets the password prompt; the right password (user
//     "admin", the stored password) gives the command prompt, a wrong one
//     the refusal and the login prompt again;
//   - logged in: "conf", "restore config default" (empties the running and
//     the saved configuration, keeps the password), "save conf start…"
//     (saves the running configuration), "restart", "logout";
//   - after "conf": "top", "quit" (back to the commands above), "password"
//     followed by "admin <new>", and any other line, which is accepted into
//     the running configuration. A command of the other mode, or an unknown
//     one, gets the error line.
// Every line takes an answer time, while input queues as in a UART;
// "restart" drops what is queued and is deaf for the boot time, then shows
// the banner and the login prompt with the saved configuration running.
// Quirks of real consoles can be switched on: a boot that says a line, then
// half way a text without a line break, then nothing until it is done; a
// prompt that carries a count of the lines answered, so that no two prompts
// are alike; and a text shown while a configuration command works, the
// prompt coming only when it is done. A modem can also still be booting
// when the load starts, as when Aceptar is pressed too soon.

#include "modemrecord.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

struct ModemTexts
{
    std::string banner = "Nokia M1112 ADSL Router";
    std::string login = "login: ";
    std::string password = "password: ";
    std::string refused = "Login incorrect";
    std::string prompt = "M1112>";
    std::string error = "% Invalid command";
    std::string configPrompt; // after "conf"; empty: the same as prompt
};

struct ModemSettings
{
    ModemTexts texts;
    std::string eol = "\r\n";
    bool echo = true;
    int noisePercent = 0; // lines with a NUL and a backspaced character
    unsigned seed = 1;
    std::int64_t answerMin = 50; // ms per line, drawn in [min, max]
    std::int64_t answerMax = 300;
    std::int64_t bootMs = 25000;
    bool bootPause = false;
    bool countingPrompt = false;
    std::int64_t bootingMs = 0; // still booting this long when it starts
    std::string busyText;       // shown while a configuration command works
    std::int64_t busyFirstMs = 4500; // the first such command
    std::int64_t busyMs = 1000;      // each later one
    std::int64_t busyLoginMs = 0;    // after a login it takes
};

class ModemModel
{
public:
    ModemModel(ModemSettings settings, ModemFlash flash);

    // Bytes that reach the console at time ms (not before the last time).
    void receive(std::int64_t ms, std::string_view bytes);
    void advanceTo(std::int64_t ms);
    // When the console next says something of its own accord, if ever.
    std::optional<std::int64_t> nextEvent() const;

    // What the console has sent since the last call.
    std::string takeOutput();
    // New record lines since the last call: "received|buffered <ms> <line>",
    // "lost <ms> booting|restart <bytes>", "login <ms> ok|refused",
    // "accepted|refused <ms> <command>".
    std::string takeRecord();
    // "password <p>" and one "config <line>" per running configuration line.
    std::string finalState() const;
    // The flash changed since the last call: the host stores it.
    bool takeFlashChange();

    const ModemFlash &flash() const { return m_flash; }
    const std::vector<std::string> &running() const { return m_running; }
    bool booting() const { return m_bootEnd.has_value(); }

private:
    enum class Mode { Login, Password, Command, Config, PasswordNode };

    void readInput();
    std::string answer(const std::string &line);
    bool command(const std::string &line);
    void restart();
    void boot();
    void note(std::string_view key, std::string_view text);
    std::string prompt();

    ModemSettings m_settings;
    ModemFlash m_flash;
    std::vector<std::string> m_running;
    bool m_flashChanged = false;
    std::mt19937 m_random;
    Mode m_mode = Mode::Login; // the power cycle before the load left it there
    std::string m_user;

    std::int64_t m_now = 0;
    std::string m_input;    // arrived, not yet read by the console
    std::string m_line;     // read so far of the line being typed
    std::string m_arriving; // for the record: the line arriving
    bool m_arrivingBusy = false;
    std::string m_lost;     // arriving during boot
    std::optional<std::int64_t> m_answerAt;
    std::optional<std::int64_t> m_bootEnd;
    std::optional<std::int64_t> m_bootPauseAt;
    int m_prompts = 0;
    int m_busyCommands = 0;
    std::int64_t m_busyFor = 0; // the answer shows the busy text, then waits this long
    std::string m_answer;
    std::string m_output;
    std::string m_record;
};

// The running configuration a load of this script leaves when every line
// arrives: its lines between "conf" and "quit", "top" left out.
std::vector<std::string> configurationOf(const std::vector<std::string> &script);
