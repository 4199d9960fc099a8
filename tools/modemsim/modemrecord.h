#pragma once

// The simulator's two text files: the record of what the console saw, and
// the state file that stands for its flash. Both are lines of a key and its
// text; the state's lines also end the record, so one reader serves both.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What survives a power cycle, as the modem's flash does.
struct ModemFlash
{
    std::string password = "trumelox";
    std::vector<std::string> configuration; // the saved one
};

// Control bytes and the backslash written \xNN, so that a record line stays
// one line whatever the console was sent.
std::string escapedRecordText(std::string_view text);

// "password <p>" and one "config <line>" per line.
std::string stateText(const std::string &password, const std::vector<std::string> &configuration);

// The flash in a state file: "password <p>" and "config <line>" lines. A
// missing file is a new modem; a file without a password line is refused.
std::optional<ModemFlash> readFlash(const std::string &path);
// Replaces the file whole or not at all.
bool writeFlash(const std::string &path, const ModemFlash &flash);

// A record read back.
struct ModemRecord
{
    struct Event
    {
        std::string key;
        std::int64_t ms = 0;
        std::string text;
    };
    std::vector<Event> events;
    std::optional<std::string> password;
    std::vector<std::string> configuration;

    std::vector<std::string> texts(std::string_view key) const;
};
ModemRecord parseRecord(std::string_view text);
