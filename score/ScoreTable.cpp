#include "ScoreTable.h"

#include "ScoreFile.h"
#include "ScoreLock.h"
#include "ScoreRanking.h"
#include "ScoreRows.h"

#include <utility>

RecordedWin RecordWin(const std::string& fileName, const ScoreEntry& entry, std::vector<std::string> rows,
                      WritePath& path) {
    RecordedWin win;
    win.Line = ComposeScoreLine(entry);
    {
        // Load, append and save form one step for other processes.
        ScoreLock lock(fileName);
        win.Lines = ReadScoreFile(fileName).value_or(std::vector<std::string>{});
        win.Lines.push_back(win.Line);
        // Ranking cannot fail, so one save of the ranked list is enough.
        RankScoreLines(win.Lines, DecimalSeparatorOf(entry));
        WriteScoreFile(fileName, win.Lines, path);
    }
    FillRows(rows, win.Lines);
    win.Rows = std::move(rows);
    win.ScoreRow = FindScoreRow(win.Rows, win.Line);
    return win;
}

ShownTable LoadForDisplay(const std::string& fileName, std::vector<std::string> rows) {
    ShownTable shown;
    if (auto lines = ReadScoreFile(fileName)) {
        shown.Lines = std::move(*lines);
        FillRows(rows, shown.Lines);
        shown.Rows = std::move(rows);
    } else {
        // Saves replace the file whole, so reading needs no lock, and an
        // empty file created here never overwrites a table.
        CreateEmptyScoreFile(fileName);
    }
    return shown;
}

void ClearScoreTable(const std::string& fileName, WritePath& path) {
    ScoreLock lock(fileName);
    WriteScoreFile(fileName, {}, path);
}
