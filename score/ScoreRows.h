#pragma once
// The ten-row list of a score window: the first ten lines of the table. It
// starts as ten blank rows; a clearing removes every row, after which it
// grows by one row per line up to ten.

#include <string>
#include <vector>

constexpr size_t ShownRowCount = 10;

// The ten blank rows a score window starts with.
std::vector<std::string> BlankRows();

// Puts line i into row i for the first ten lines; a row that does not exist
// yet is appended. Rows beyond the number of lines keep their text.
void FillRows(std::vector<std::string>& rows, const std::vector<std::string>& lines);

// The last row whose text equals the line, or -1.
int FindScoreRow(const std::vector<std::string>& rows, const std::string& line);
