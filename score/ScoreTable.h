#pragma once
// The operations of a variant's score table that the windows call: recording
// a win (game window), loading for display and clearing (score window).
//
// The windows hold the full list and the ten-row list; these functions take
// the rows as they are and return the lists to show. They throw the
// platform's exceptions (Exceptions.h) with the message the error box shows;
// after a throw the file is as it was and the window keeps its lists.

#include "ScoreLine.h"
#include "WritePath.h"

#include <string>
#include <vector>

struct RecordedWin {
    std::string Line;               // the score line of the win
    std::vector<std::string> Lines; // the full list in rank order, as now saved
    std::vector<std::string> Rows;  // the ten-row list after the refresh
    int ScoreRow = -1;              // the last row holding Line, or -1
};

// Under the file's lock: loads the table (no file is an empty table), appends
// the line of the win, ranks and saves it. The rows are then refreshed from
// the ranked list, and the new row is found among all of them.
RecordedWin RecordWin(const std::string& fileName, const ScoreEntry& entry, std::vector<std::string> rows,
                      WritePath& path = WritePath::System());

struct ShownTable {
    std::vector<std::string> Lines; // the full list in file order
    std::vector<std::string> Rows;  // the ten-row list to show
};

// Loads the table as the score window shows it. With no file, an empty one is
// created and both lists come back empty (no rows at all); otherwise the
// first ten lines go into the rows. The file is shown in its own order.
ShownTable LoadForDisplay(const std::string& fileName, std::vector<std::string> rows);

// Empties the table: under the file's lock the file is replaced by one of zero
// bytes. The window then removes every item of both lists.
void ClearScoreTable(const std::string& fileName, WritePath& path = WritePath::System());
