#pragma once
// One game of a game window, free of any widget: the determination number,
// the accepted guesses, the stopwatch and the state of play. Enter says what
// a typed guess did; the window only turns that into labels, rows and cues.

#include "Rules.h"
#include "Stopwatch.h"
#include "Variant.h"

#include <functional>
#include <string>
#include <vector>

class TRandomSource;

enum class TGameState {
    Idle,     // after activation: no guess is taken
    Playing,  // after New Game: guesses are taken and the clock runs
    Paused,   // the clock stands while a help or score window is open or the window is inactive
    Won,      // a guess had every digit in place
    Lost,     // the 72nd Enter did not win; a 72nd guess not yet counted is still taken
    Revealed, // Show Number gave the number away
};

enum class TEnterOutcome {
    Ignored,  // nothing happens: no game is taken on, or 72 guesses are counted
    Empty,    // refused: nothing typed
    Wrong,    // refused: incomplete, or a repeated digit where digits are distinct
    Repeated, // refused: already entered; the warnings of the last attempts still come
    Counted,  // an attempt with its hits
};

// Why the clock stands: under a modal window the field keeps taking keys
// afterwards; an inactive window closes the field until it resumes.
enum class TPauseCause { Window, Deactivation };

struct TEnterResult {
    TEnterOutcome Outcome = TEnterOutcome::Ignored;
    // The refusal for the message line; empty unless refused.
    QString Message;
    // Counted: the hits and the attempt number, which is also the list row.
    THits Hits;
    int Attempt = 0;
    // This Enter came with 70 guesses counted: the last attempt is announced.
    bool LastAttempt = false;
    // This is the 72nd Enter and it does not win: the loss is announced.
    bool Lost = false;
    bool Won = false;

    bool Refused() const {
        return Outcome == TEnterOutcome::Empty || Outcome == TEnterOutcome::Wrong ||
               Outcome == TEnterOutcome::Repeated;
    }
};

class TGameSession {
public:
    // now: seconds on a monotonic clock, for the stopwatch.
    TGameSession(const TVariant& variant, std::function<double()> now);

    // The window was activated: back to idle, forgetting what the variant says.
    void Activate();
    // New Game: re-seeds and draws the determination number, starts the clock.
    void Start(TRandomSource& random);
    // New Game with a given determination number.
    void Start(const std::string& secret);

    // The Enter key with the field's text (untyped positions are spaces).
    TEnterResult Enter(const std::string& guess);
    // Show Number: true when the number is given away; false when there is
    // none, the game is over or the last attempts have begun.
    bool Reveal();

    // Stops the clock of a game that is neither over nor standing; false
    // when there was nothing to stop.
    bool Pause(TPauseCause cause);
    void Resume();
    // A clock tick: takes a reading unless the game is over, the last
    // attempts have begun or the clock stands. True when it took one.
    bool Tick(const QString& decimalPoint);

    TGameState State() const { return CurrentState; }
    // Won, or revealed in a window where Show Number ends the game; in the
    // others a revealed number can be shown again and the clock still pauses.
    bool Over() const;
    // The field takes guesses: during play, after the loss until the 72nd
    // guess is counted, and under a modal window over either.
    bool TakesGuesses() const;
    bool ClockRunning() const { return Clock.Running(); }

    const std::string& Secret() const { return SecretNumber; }
    int Attempts() const { return AttemptCount; }
    // The accepted guesses of this game, in order.
    std::vector<std::string> AcceptedGuesses() const;

    const TVariant& Variant;
    TStopwatch Clock;

private:
    void FillGuesses(const QString& fill);

    TGameState CurrentState = TGameState::Idle;
    TGameState StateBeforePause = TGameState::Idle;
    TPauseCause PauseCause = TPauseCause::Window;
    std::string SecretNumber;
    int AttemptCount = 0;
    // Entries 1..72 at 0..71; only the first AttemptCount are ever compared.
    std::vector<std::string> Guesses;
};
