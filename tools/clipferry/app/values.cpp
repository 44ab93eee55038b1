// Parsing the command line's rates, durations and whole numbers, strictly:
// anything left over makes the text not a value.
#include "app/values.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace clipferry::cli {

namespace {
// The number at the start of the text, and where it ends; nothing for no number.
std::optional<double> leadingNumber(const std::string& text, size_t& end) {
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.')) {
        return std::nullopt;
    }
    errno = 0;
    char* stop = nullptr;
    const double value = std::strtod(text.c_str(), &stop);
    if (errno != 0 || stop == text.c_str() || !std::isfinite(value)) return std::nullopt;
    end = static_cast<size_t>(stop - text.c_str());
    return value;
}
}  // namespace

std::optional<double> parseRate(const std::string& text) {
    size_t end = 0;
    std::optional<double> value = leadingNumber(text, end);
    if (!value) return std::nullopt;
    double factor = 1;
    if (end + 1 == text.size()) {
        switch (std::tolower(static_cast<unsigned char>(text[end]))) {
        case 'k': factor = 1024.0; break;
        case 'm': factor = 1024.0 * 1024; break;
        case 'g': factor = 1024.0 * 1024 * 1024; break;
        default: return std::nullopt;
        }
    } else if (end != text.size()) {
        return std::nullopt;
    }
    const double rate = *value * factor;
    return rate >= 1 ? std::optional<double>(rate) : std::nullopt;
}

std::optional<double> parseDuration(const std::string& text) {
    if (text.empty()) return std::nullopt;
    double seconds = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = 0;
        const std::optional<double> value = leadingNumber(text.substr(at), end);
        if (!value) return std::nullopt;
        at += end;
        double unit = 1;
        if (at < text.size()) {
            switch (text[at]) {
            case 's': unit = 1; break;
            case 'm': unit = 60; break;
            case 'h': unit = 3600; break;
            default: return std::nullopt;
            }
            ++at;
        } else if (seconds > 0) {
            return std::nullopt;  // "1m30": the unit of the 30 is not said
        }
        seconds += *value * unit;
    }
    return seconds > 0 ? std::optional<double>(seconds) : std::nullopt;
}

std::optional<long> parseWholeNumber(const std::string& text, long lowest, long highest) {
    if (text.empty() || text.size() > 12) return std::nullopt;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    }
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

}  // namespace clipferry::cli
