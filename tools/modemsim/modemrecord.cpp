#include "modemrecord.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

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

} // namespace

std::string escapedRecordText(std::string_view text)
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

std::string stateText(const std::string &password, const std::vector<std::string> &configuration)
{
    std::string out = "password " + escapedRecordText(password) + '\n';
    for (const std::string &line : configuration)
        out += "config " + escapedRecordText(line) + '\n';
    return out;
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
