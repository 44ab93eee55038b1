// Values typed on the command line that are more than a number: a transfer
// rate as curl spells it and a duration. Each parser gives the value, or
// nothing when the text is not one, so the caller can say what it wants.
#pragma once

#include <optional>
#include <string>

namespace clipferry::cli {

// Bytes per second: "500000", "500K", "2M", "1G" (K, M, G: 1024, 1024², 1024³,
// either case; a decimal point is allowed: "1.5M"). Above zero.
std::optional<double> parseRate(const std::string& text);

// Seconds: "90", "90s", "2m", "1h", "1m30s"; above zero.
std::optional<double> parseDuration(const std::string& text);

// A whole number from `lowest` to `highest`, digits only.
std::optional<long> parseWholeNumber(const std::string& text, long lowest, long highest);

}  // namespace clipferry::cli
