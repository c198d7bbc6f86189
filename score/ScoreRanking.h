#pragma once
// The rank order of a score table, fastest first.

#include <string>
#include <string_view>
#include <vector>

// The exchange ranking, exactly as the table has always been ranked: for each
// i, and each j after it, lines i and j change places when duration j is
// strictly less than duration i. It is not a stable sort, and its order among
// equal durations is part of the table's behaviour. Quadratic; it serves as
// the reference and for lists that are not ranked already.
void ExchangeRank(std::vector<std::string>& lines, std::vector<double>& durations);

// Ranks a full list: the lines with a readable time text in the exchange
// order, then the unreadable ones in their file order. A ranked list with one
// line appended, which is what every recording ranks, takes a linear path
// that gives the same order as the exchange ranking. The locale's decimal
// separator is read besides "." and ",".
void RankScoreLines(std::vector<std::string>& lines, std::string_view localeSeparator = {});
