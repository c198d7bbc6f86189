#pragma once
// One won game as a line of a score table: how it is composed and how its
// duration is read back for the ranking.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What the game window knows at a win. The gap is 9 in the five- and
// six-digit variants without repeats and 10 in all others.
struct ScoreEntry {
    std::int64_t Minutes = 0;
    int Seconds = 0;
    std::string TenthsText; // separator and tenths digit, ".3", ",3" or "٫3" (UTF-8)
    std::string DateText;
    std::string PlayerName; // UTF-8; may be empty
    int Gap = 10;
};

// Minutes, ":", seconds, tenths text: "1:5.3", "12:34.5".
std::string ComposeTimeText(std::int64_t minutes, int seconds, std::string_view tenthsText);

// Three blanks, time text, 11 blanks after a time text of five characters and
// 9 otherwise, date, gap blanks, name. Characters, not bytes, are counted: the
// separator of some locales ("٫") takes two bytes in UTF-8.
std::string ComposeScoreLine(const ScoreEntry& entry);

// The decimal separator an entry's time text was written with: its tenths
// text without the digit.
std::string DecimalSeparatorOf(const ScoreEntry& entry);

// Minutes x 60 plus the seconds with their fraction, read from the time text
// of a line. "." and "," are taken as the decimal separator, and so is the
// locale's own separator when given, so a table written under another locale
// still ranks. Nothing when the line holds no readable time text.
std::optional<double> ReadDuration(std::string_view line, std::string_view localeSeparator = {});
