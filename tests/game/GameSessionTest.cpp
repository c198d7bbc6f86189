// The game flow without a window: a session built from a given number,
// entered guesses and what each did, the last attempts, the reveal and the
// pauses, on a clock that moves only when told.
#include "GameSession.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Distinct-digit four-digit guesses in ascending order, leaving out `except`.
std::vector<std::string> DistinctGuesses(int count, const std::string& except) {
    std::vector<std::string> guesses;
    for (int n = 0; n < 10000 && static_cast<int>(guesses.size()) < count; ++n) {
        std::string g = std::to_string(n);
        g.insert(0, 4 - g.size(), '0');
        std::string sorted = g;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end() && g != except)
            guesses.push_back(g);
    }
    return guesses;
}

class GameSessionTest : public testing::Test {
protected:
    double Now = 100.0;
    TGameSession Session4{VariantOf("TForm4"), [this] { return Now; }};
    TGameSession Session44{VariantOf("TForm44"), [this] { return Now; }};
};

// 70 counted guesses against 1234 in TForm4, none of them winning.
class LastAttempts : public GameSessionTest {
protected:
    void SetUp() override {
        Session4.Start("1234");
        Guesses = DistinctGuesses(72, "1234");
        for (int i = 0; i < 70; ++i) ASSERT_EQ(Session4.Enter(Guesses[i]).Outcome, TEnterOutcome::Counted);
        ASSERT_EQ(Session4.Attempts(), 70);
    }
    std::vector<std::string> Guesses;
};

} // namespace

TEST_F(GameSessionTest, NothingIsTakenBeforeNewGame) {
    EXPECT_EQ(Session4.State(), TGameState::Idle);
    EXPECT_FALSE(Session4.TakesGuesses());
    EXPECT_EQ(Session4.Enter("1234").Outcome, TEnterOutcome::Ignored);
    EXPECT_FALSE(Session4.Reveal()); // nothing drawn yet
    EXPECT_FALSE(Session4.Pause(TPauseCause::Window));
}

TEST_F(GameSessionTest, RefusalsSayWhichMessageAndCountNothing) {
    Session4.Start("1234");
    EXPECT_EQ(Session4.State(), TGameState::Playing);
    TEnterResult r = Session4.Enter("    ");
    EXPECT_EQ(r.Outcome, TEnterOutcome::Empty);
    EXPECT_EQ(r.Message, "You must enter number");
    r = Session4.Enter("123 ");
    EXPECT_EQ(r.Outcome, TEnterOutcome::Wrong);
    EXPECT_EQ(r.Message, "Wrong Number");
    EXPECT_EQ(Session4.Enter("1123").Outcome, TEnterOutcome::Wrong);
    EXPECT_EQ(Session4.Attempts(), 0);

    r = Session4.Enter("1243");
    EXPECT_EQ(r.Outcome, TEnterOutcome::Counted);
    EXPECT_FALSE(r.Refused());
    EXPECT_EQ(r.Attempt, 1);
    EXPECT_EQ(r.Hits.Tulva, 2);
    EXPECT_EQ(r.Hits.Vesk, 2);
    r = Session4.Enter("1243");
    EXPECT_EQ(r.Outcome, TEnterOutcome::Repeated);
    EXPECT_EQ(r.Message, "That number is already entered");
    EXPECT_EQ(Session4.Attempts(), 1);
    EXPECT_EQ(Session4.AcceptedGuesses(), std::vector<std::string>{"1243"});

    // The repeating family has its own empty message and takes equal digits.
    Session44.Start("1123");
    EXPECT_EQ(Session44.Enter("    ").Message, "You must enter Number");
    r = Session44.Enter("1111");
    EXPECT_EQ(r.Outcome, TEnterOutcome::Counted);
    EXPECT_EQ(r.Hits.Tulva, 2);
    EXPECT_EQ(r.Hits.Vesk, 0);
}

TEST_F(GameSessionTest, WinEndsTheGameAndNewGameStartsAfresh) {
    Session4.Start("1234");
    Session4.Enter("5678");
    const TEnterResult r = Session4.Enter("1234");
    EXPECT_TRUE(r.Won);
    EXPECT_EQ(r.Hits.Tulva, 4);
    EXPECT_EQ(Session4.State(), TGameState::Won);
    EXPECT_TRUE(Session4.Over());
    EXPECT_FALSE(Session4.TakesGuesses());
    EXPECT_FALSE(Session4.Reveal());
    EXPECT_FALSE(Session4.Pause(TPauseCause::Window));
    Now += 5;
    EXPECT_FALSE(Session4.Tick("."));

    Session4.Start("5678");
    EXPECT_EQ(Session4.State(), TGameState::Playing);
    EXPECT_EQ(Session4.Attempts(), 0);
    EXPECT_TRUE(Session4.AcceptedGuesses().empty());
}

TEST_F(GameSessionTest, ShowNumberEndsTheGameOnlyWhereTheVariantSaysSo) {
    Session4.Start("1234");
    EXPECT_TRUE(Session4.Reveal());
    EXPECT_EQ(Session4.State(), TGameState::Revealed);
    EXPECT_TRUE(Session4.Over());
    EXPECT_FALSE(Session4.Reveal()); // over: a second press does nothing
    EXPECT_FALSE(Session4.Pause(TPauseCause::Window));

    // TForm44: the number can be shown again, and the clock still pauses as
    // for a running game, though the field takes no guess.
    Session44.Start("1123");
    EXPECT_TRUE(Session44.Reveal());
    EXPECT_FALSE(Session44.Over());
    EXPECT_FALSE(Session44.TakesGuesses());
    EXPECT_TRUE(Session44.Reveal());
    EXPECT_TRUE(Session44.Pause(TPauseCause::Window));
    EXPECT_EQ(Session44.State(), TGameState::Revealed);
    // Activation keeps the number here, so it can still be revealed.
    Session44.Activate();
    EXPECT_EQ(Session44.State(), TGameState::Idle);
    EXPECT_TRUE(Session44.Reveal());
}

TEST_F(GameSessionTest, PausedTimeNeverCountsAndTheCauseDecidesTheField) {
    Session4.Start("1234");
    Now += 4;
    EXPECT_TRUE(Session4.Tick("."));
    EXPECT_TRUE(Session4.Pause(TPauseCause::Window));
    EXPECT_EQ(Session4.State(), TGameState::Paused);
    EXPECT_TRUE(Session4.TakesGuesses()); // a modal window over the game
    EXPECT_FALSE(Session4.Pause(TPauseCause::Window));
    Now += 30;
    EXPECT_FALSE(Session4.Tick("."));
    Session4.Resume();
    EXPECT_EQ(Session4.State(), TGameState::Playing);
    Now += 6;
    EXPECT_TRUE(Session4.Tick("."));
    EXPECT_EQ(Session4.Clock.RunningText(), "Time : 0:10");

    EXPECT_TRUE(Session4.Pause(TPauseCause::Deactivation));
    EXPECT_FALSE(Session4.TakesGuesses());
    EXPECT_EQ(Session4.Enter("5678").Outcome, TEnterOutcome::Ignored);
    Session4.Resume();
    EXPECT_TRUE(Session4.TakesGuesses());
}

TEST_F(GameSessionTest, ActivationForgetsWhatTheVariantSays) {
    Session4.Start("1234");
    Session4.Enter("5678");
    Session4.Activate();
    EXPECT_EQ(Session4.Secret(), "");
    EXPECT_EQ(Session4.Attempts(), 0);
    EXPECT_FALSE(Session4.ClockRunning());

    TGameSession session8(VariantOf("TForm8"), [this] { return Now; });
    session8.Start("12345678");
    session8.Enter("87654321");
    Now += 50;
    session8.Activate();
    EXPECT_EQ(session8.Secret(), "12345678");
    EXPECT_EQ(session8.Attempts(), 1);
    EXPECT_EQ(session8.Clock.StartTime, Now);
}

TEST_F(LastAttempts, RepeatedGuessAtSeventyShowsTheLastAttemptWarning) {
    const TEnterResult r = Session4.Enter(Guesses[5]);
    EXPECT_EQ(r.Outcome, TEnterOutcome::Repeated); // the refusal, then the warning
    EXPECT_TRUE(r.LastAttempt);
    EXPECT_FALSE(r.Lost);
    EXPECT_EQ(Session4.Attempts(), 70);
}

TEST_F(LastAttempts, SeventyFirstAndSeventySecondGuess) {
    Now += 10;
    EXPECT_TRUE(Session4.Tick("."));
    TEnterResult r = Session4.Enter(Guesses[70]);
    EXPECT_TRUE(r.LastAttempt);
    EXPECT_EQ(r.Outcome, TEnterOutcome::Counted);
    EXPECT_EQ(r.Attempt, 71);
    Now += 10;
    EXPECT_FALSE(Session4.Tick(".")); // the display stops after the 71st guess
    EXPECT_FALSE(Session4.Reveal());  // Show Number is no longer offered

    // A repeated 72nd guess announces the loss but is not counted.
    r = Session4.Enter(Guesses[0]);
    EXPECT_EQ(r.Outcome, TEnterOutcome::Repeated);
    EXPECT_TRUE(r.Lost);
    EXPECT_FALSE(r.LastAttempt);
    EXPECT_EQ(Session4.State(), TGameState::Lost);
    EXPECT_EQ(Session4.Attempts(), 71);
    // The next Enter announces it again; a new guess becomes attempt 72.
    r = Session4.Enter(Guesses[71]);
    EXPECT_TRUE(r.Lost);
    EXPECT_EQ(r.Attempt, 72);
    EXPECT_EQ(Session4.Attempts(), 72);

    // Every further Enter does nothing, even the number itself.
    r = Session4.Enter("1234");
    EXPECT_EQ(r.Outcome, TEnterOutcome::Ignored);
    EXPECT_FALSE(r.Lost);
    EXPECT_EQ(Session4.Attempts(), 72);
    EXPECT_FALSE(Session4.Over());
    EXPECT_EQ(Session4.State(), TGameState::Lost);
}

TEST_F(LastAttempts, CorrectSeventySecondGuessWinsWithoutTheLoss) {
    Session4.Enter(Guesses[70]);
    const TEnterResult r = Session4.Enter("1234");
    EXPECT_TRUE(r.Won);
    EXPECT_FALSE(r.Lost);
    EXPECT_EQ(Session4.Attempts(), 72);
    EXPECT_EQ(Session4.State(), TGameState::Won);
}

TEST_F(LastAttempts, HelpDuringTheLossKeepsTheLoss) {
    Session4.Enter(Guesses[70]);
    Session4.Enter(Guesses[0]);
    ASSERT_EQ(Session4.State(), TGameState::Lost);
    EXPECT_TRUE(Session4.Pause(TPauseCause::Window));
    Session4.Resume();
    EXPECT_EQ(Session4.State(), TGameState::Lost);
    EXPECT_EQ(Session4.Enter(Guesses[71]).Attempt, 72);
}
