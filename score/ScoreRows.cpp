#include "ScoreRows.h"

#include <algorithm>

std::vector<std::string> BlankRows() {
    return std::vector<std::string>(ShownRowCount);
}

void FillRows(std::vector<std::string>& rows, const std::vector<std::string>& lines) {
    const size_t count = std::min(lines.size(), ShownRowCount);
    for (size_t i = 0; i < count; ++i) {
        if (rows.size() == i)
            rows.push_back(lines[i]);
        else
            rows[i] = lines[i];
    }
}

int FindScoreRow(const std::vector<std::string>& rows, const std::string& line) {
    int found = -1;
    for (size_t r = 0; r < rows.size(); ++r)
        if (rows[r] == line) found = static_cast<int>(r);
    return found;
}
