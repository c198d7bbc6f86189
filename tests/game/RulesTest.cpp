#include "Rules.h"
#include "RandomSource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <map>
#include <set>

namespace {

// Replays a fixed list of draws, so the shuffle can be followed step by step.
class TScriptedRandom : public TRandomSource {
public:
    explicit TScriptedRandom(std::deque<int64_t> draws) : Draws(std::move(draws)) {}
    void Randomize() override {}
    int Random(int n) override { return static_cast<int>(Random64(n)); }
    int64_t Random64(int64_t n) override {
        EXPECT_FALSE(Draws.empty());
        const int64_t r = Draws.front();
        Draws.pop_front();
        EXPECT_LT(r, n);
        Limits.push_back(n);
        return r;
    }
    std::deque<int64_t> Draws;
    std::vector<int64_t> Limits;
};

std::string Pad(const std::string& typed, int n) {
    return typed + std::string(n - typed.size(), ' ');
}

} // namespace

TEST(CountHits, DistinctDigits) {
    EXPECT_EQ(CountHits("1243", "1234").Tulva, 2);
    EXPECT_EQ(CountHits("1243", "1234").Vesk, 2);
    EXPECT_EQ(CountHits("5678", "1234").Tulva + CountHits("5678", "1234").Vesk, 0);
    EXPECT_EQ(CountHits("4321", "1234").Tulva, 0);
    EXPECT_EQ(CountHits("4321", "1234").Vesk, 4);
    const THits win = CountHits("1234", "1234");
    EXPECT_EQ(win.Tulva, 4);
    EXPECT_EQ(win.Vesk, 0);
}

TEST(CountHits, RepeatingDigitsTakeEachDigitOnce) {
    struct Case {
        const char* secret;
        const char* guess;
        int tulva, vesk;
    };
    for (const Case& c : {Case{"1123", "1111", 2, 0}, Case{"1223", "2111", 0, 2}, Case{"1212", "2121", 0, 4},
                          Case{"1123", "3211", 0, 4}, Case{"1123", "1123", 4, 0}}) {
        const THits h = CountHits(c.guess, c.secret);
        EXPECT_EQ(h.Tulva, c.tulva) << c.secret << " " << c.guess;
        EXPECT_EQ(h.Vesk, c.vesk) << c.secret << " " << c.guess;
    }
}

TEST(CountHits, RecordsPlacesAndVeskOrder) {
    const THits h = CountHits("214789", "123456");
    EXPECT_EQ(h.VeskOrder, "214");
    EXPECT_EQ(h.Tulva, 0);
    const THits p = CountHits("19375", "12345");
    EXPECT_EQ(p.InPlace, (std::vector<bool>{true, false, true, false, true}));
    // 5523125 against itself shifted: Tulva first, then the first free place
    const THits r = CountHits("5111", "1115");
    EXPECT_EQ(r.Tulva, 2);
    EXPECT_EQ(r.VeskOrder, "51");
}

TEST(CountHits, MatchesTheMultisetCount) {
    TSeededRandom random(7);
    for (int round = 0; round < 2000; ++round) {
        const std::string secret = DrawRepeating(6, random);
        std::string guess;
        for (int i = 0; i < 6; ++i) guess += static_cast<char>('0' + random.Random(10));
        int tulva = 0, common = 0;
        std::map<char, int> inSecret, inGuess;
        for (int i = 0; i < 6; ++i) {
            if (guess[i] == secret[i]) ++tulva;
            ++inSecret[secret[i]];
            ++inGuess[guess[i]];
        }
        for (auto [digit, count] : inGuess) common += std::min(count, inSecret[digit]);
        const THits h = CountHits(guess, secret);
        ASSERT_EQ(h.Tulva, tulva);
        ASSERT_EQ(h.Vesk, common - tulva) << secret << " " << guess;
    }
}

TEST(ValidateGuess, OutcomesInOrder) {
    std::vector<std::string> guesses(72, "0000");
    EXPECT_EQ(ValidateGuess("    ", 4, true, guesses, 0), TGuessOutcome::Empty);
    EXPECT_EQ(ValidateGuess("1123", 4, true, guesses, 0), TGuessOutcome::Wrong);
    EXPECT_EQ(ValidateGuess(Pad("12", 4), 4, true, guesses, 0), TGuessOutcome::Wrong);
    EXPECT_EQ(ValidateGuess("1 34", 4, true, guesses, 0), TGuessOutcome::Wrong);
    EXPECT_EQ(ValidateGuess("0123", 4, true, guesses, 0), TGuessOutcome::Accepted);
    EXPECT_EQ(ValidateGuess("0000", 4, false, guesses, 0), TGuessOutcome::Accepted);
    EXPECT_EQ(ValidateGuess("1123", 4, false, guesses, 0), TGuessOutcome::Accepted);
    // The fill text is never compared: only the first `attempts` entries are.
    guesses[0] = "1234";
    EXPECT_EQ(ValidateGuess("1234", 4, true, guesses, 1), TGuessOutcome::Repeated);
    EXPECT_EQ(ValidateGuess("0000", 4, false, guesses, 1), TGuessOutcome::Accepted);
    EXPECT_EQ(ValidateGuess("0000", 4, false, guesses, 2), TGuessOutcome::Repeated);
    // After 72 accepted guesses only an empty field still answers.
    EXPECT_EQ(ValidateGuess("5678", 4, true, guesses, 72), TGuessOutcome::Ignore);
    EXPECT_EQ(ValidateGuess("1 3 ", 4, true, guesses, 72), TGuessOutcome::Ignore);
    EXPECT_EQ(ValidateGuess("    ", 4, true, guesses, 72), TGuessOutcome::Empty);
}

TEST(RepeatedDigitCount, CountsEachRepeatedDigitOnce) {
    EXPECT_EQ(RepeatedDigitCount("1123"), 1);
    EXPECT_EQ(RepeatedDigitCount("1212"), 2);
    EXPECT_EQ(RepeatedDigitCount("1234"), 0);
    EXPECT_EQ(RepeatedDigitCount("1111"), 1);
}

TEST(DrawDistinct, FollowsThePartialShuffle) {
    // 0 is drawn again; 3 picks "3" and "0" takes its place; then 1 picks "1", 3 picks the moved "0" and 1
    // the moved "9".
    TScriptedRandom random({0, 3, 1, 0, 3, 1});
    EXPECT_EQ(DrawDistinct(4, random), "3109");
    EXPECT_EQ(random.Limits, (std::vector<int64_t>{10, 10, 10, 9, 9, 8}));
}

TEST(DrawRepeating, RedrawsShortNumbers) {
    TScriptedRandom random({999, 0, 9998});
    EXPECT_EQ(DrawRepeating(4, random), "9998");
    EXPECT_EQ(random.Limits, (std::vector<int64_t>{9999, 9999, 9999}));
    TScriptedRandom nine({100000000, 999999998});
    EXPECT_EQ(DrawRepeating(9, nine), "100000000");
    EXPECT_EQ(nine.Limits.front(), 999999999);
}

TEST(Draws, EveryDigitCountGivesValidNumbers) {
    TSeededRandom random(11);
    for (int n = 4; n <= 9; ++n) {
        for (int i = 0; i < 300; ++i) {
            const std::string d = DrawDistinct(n, random);
            ASSERT_EQ(static_cast<int>(d.size()), n);
            ASSERT_NE(d[0], '0');
            ASSERT_EQ(std::set<char>(d.begin(), d.end()).size(), static_cast<size_t>(n));
            const std::string r = DrawRepeating(n, random);
            ASSERT_EQ(static_cast<int>(r.size()), n);
            ASSERT_NE(r[0], '0');
            ASSERT_NE(r, std::string(n, '9'));
        }
    }
}

namespace {

// Chi-square statistic of counts against a uniform expectation over `outcomes`.
double ChiSquare(const std::map<std::string, int>& counts, int outcomes, int samples) {
    const double expected = static_cast<double>(samples) / outcomes;
    double chi = 0;
    for (const auto& [number, count] : counts) chi += (count - expected) * (count - expected) / expected;
    chi += (outcomes - static_cast<int>(counts.size())) * expected; // outcomes never seen
    return chi;
}

// Upper bound of chi-square at p = 0.001 for large degrees of freedom (normal approximation).
double Critical(int degrees) {
    return degrees + 3.09 * std::sqrt(2.0 * degrees);
}

} // namespace

TEST(Draws, UniformOverAllFourDigitOutcomes) {
    TSeededRandom random(20261207);
    std::map<std::string, int> distinct, repeating;
    const int distinctSamples = 4536 * 40, repeatingSamples = 8999 * 25;
    for (int i = 0; i < distinctSamples; ++i) ++distinct[DrawDistinct(4, random)];
    for (int i = 0; i < repeatingSamples; ++i) ++repeating[DrawRepeating(4, random)];
    EXPECT_EQ(distinct.size(), 4536u);
    EXPECT_EQ(repeating.size(), 8999u);
    EXPECT_EQ(repeating.begin()->first, "1000");
    EXPECT_EQ(repeating.rbegin()->first, "9998");
    EXPECT_LT(ChiSquare(distinct, 4536, distinctSamples), Critical(4535));
    EXPECT_LT(ChiSquare(repeating, 8999, repeatingSamples), Critical(8998));
}
