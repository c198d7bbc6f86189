#include "ScoreLine.h"

#include <charconv>

namespace {

constexpr std::string_view Lead = "   ";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// One or more decimal digits, as a real number (minutes have no upper bound).
std::optional<double> ReadWholeNumber(std::string_view text) {
    if (text.empty()) return std::nullopt;
    double value = 0;
    for (char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Characters of UTF-8 text: every byte that does not continue a sequence.
size_t CharacterCount(std::string_view text) {
    size_t count = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

// Digits, optionally followed by one separator and more digits.
std::optional<double> ReadSeconds(std::string_view text, std::string_view localeSeparator) {
    const auto own = localeSeparator.empty() ? std::string_view::npos : text.find(localeSeparator);
    std::string plain;
    if (own == std::string_view::npos) {
        plain = text;
    } else {
        plain.append(text.substr(0, own)).append(1, '.').append(text.substr(own + localeSeparator.size()));
    }
    const auto separator = plain.find_first_of(".,");
    if (separator != std::string::npos) plain[separator] = '.';
    const std::string_view whole = std::string_view(plain).substr(0, separator);
    if (whole.empty() || !ReadWholeNumber(whole)) return std::nullopt;
    if (separator != std::string::npos) {
        const std::string_view fraction = std::string_view(plain).substr(separator + 1);
        if (fraction.empty() || !ReadWholeNumber(fraction)) return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error != std::errc() || end != plain.data() + plain.size()) return std::nullopt;
    return value;
}

} // namespace

std::string ComposeTimeText(std::int64_t minutes, int seconds, std::string_view tenthsText) {
    std::string text = std::to_string(minutes);
    text += ':';
    text += std::to_string(seconds);
    text += tenthsText;
    return text;
}

std::string ComposeScoreLine(const ScoreEntry& entry) {
    const std::string time = ComposeTimeText(entry.Minutes, entry.Seconds, entry.TenthsText);
    std::string line(Lead);
    line += time;
    line.append(CharacterCount(time) == 5 ? 11 : 9, ' ');
    line += entry.DateText;
    line.append(static_cast<size_t>(entry.Gap), ' ');
    line += entry.PlayerName;
    return line;
}

std::string DecimalSeparatorOf(const ScoreEntry& entry) {
    const std::string_view tenths = entry.TenthsText;
    return std::string(tenths.substr(0, tenths.empty() ? 0 : tenths.size() - 1));
}

std::optional<double> ReadDuration(std::string_view line, std::string_view localeSeparator) {
    if (!line.starts_with(Lead)) return std::nullopt;
    const std::string_view rest = line.substr(Lead.size());
    const auto colon = rest.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto minutes = ReadWholeNumber(rest.substr(0, colon));
    if (!minutes) return std::nullopt;
    const std::string_view afterColon = rest.substr(colon + 1);
    const auto seconds = ReadSeconds(afterColon.substr(0, afterColon.find(' ')), localeSeparator);
    if (!seconds) return std::nullopt;
    return *minutes * 60 + *seconds;
}
