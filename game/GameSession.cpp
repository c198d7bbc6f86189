#include "GameSession.h"

#include "Messages.h"
#include "RandomSource.h"

TGameSession::TGameSession(const TVariant& variant, std::function<double()> now)
    : Variant(variant), Clock(std::move(now)) {
    FillGuesses(Variant.GuessFill);
}

void TGameSession::FillGuesses(const QString& fill) {
    Guesses.assign(MaxAttempts, fill.toStdString());
}

void TGameSession::Activate() {
    CurrentState = TGameState::Idle;
    if (Variant.ActivateClearsSecret) SecretNumber.clear();
    Clock.Stopped = 1.0;
    if (Variant.ActivateResetsAttempts) AttemptCount = 0;
    if (Variant.ActivateClearsRows) FillGuesses(Variant.GuessFill);
    if (!Variant.ActivateGuessFill.isEmpty()) FillGuesses(Variant.ActivateGuessFill);
    if (Variant.ActivateSetsStartTime) Clock.RestartTime();
}

void TGameSession::Start(TRandomSource& random) {
    random.Randomize();
    Start(Variant.Distinct ? DrawDistinct(Variant.Digits, random) : DrawRepeating(Variant.Digits, random));
}

void TGameSession::Start(const std::string& secret) {
    CurrentState = TGameState::Playing;
    AttemptCount = 0;
    Clock.Start();
    SecretNumber = secret;
    FillGuesses(Variant.GuessFill);
}

TEnterResult TGameSession::Enter(const std::string& guess) {
    TEnterResult result;
    if (!TakesGuesses()) return result;
    const TGuessOutcome check = ValidateGuess(guess, Variant.Digits, Variant.Distinct, Guesses, AttemptCount);
    switch (check) {
    case TGuessOutcome::Ignore:
        return result;
    case TGuessOutcome::Empty:
        result.Outcome = TEnterOutcome::Empty;
        result.Message = Variant.EmptyMessage;
        return result;
    case TGuessOutcome::Wrong:
        result.Outcome = TEnterOutcome::Wrong;
        result.Message = WrongNumberText;
        return result;
    case TGuessOutcome::Repeated:
        result.Outcome = TEnterOutcome::Repeated;
        result.Message = AlreadyEnteredText;
        break;
    case TGuessOutcome::Accepted:
        result.Outcome = TEnterOutcome::Counted;
        break;
    }
    const bool counted = result.Outcome == TEnterOutcome::Counted;
    result.LastAttempt = AttemptCount == MaxAttempts - 2;
    // A correct last guess wins; it is not announced as a loss first.
    result.Lost = AttemptCount == MaxAttempts - 1 && !(counted && guess == SecretNumber);
    if (result.Lost) CurrentState = TGameState::Lost;
    if (!counted) return result;

    ++AttemptCount;
    Guesses[AttemptCount - 1] = guess;
    result.Attempt = AttemptCount;
    result.Hits = CountHits(guess, SecretNumber);
    result.Won = result.Hits.Tulva == Variant.Digits;
    if (result.Won) CurrentState = TGameState::Won;
    return result;
}

bool TGameSession::Reveal() {
    if (Over() || AttemptCount >= MaxAttempts - 1 || SecretNumber.empty()) return false;
    CurrentState = TGameState::Revealed;
    return true;
}

bool TGameSession::Pause(TPauseCause cause) {
    if (Over() || !Clock.Running()) return false;
    Clock.Pause();
    // A revealed game keeps its state; only its clock stands.
    if (CurrentState == TGameState::Playing || CurrentState == TGameState::Lost) {
        StateBeforePause = CurrentState;
        CurrentState = TGameState::Paused;
        PauseCause = cause;
    }
    return true;
}

void TGameSession::Resume() {
    Clock.Resume();
    if (CurrentState == TGameState::Paused) CurrentState = StateBeforePause;
}

bool TGameSession::Tick(const QString& decimalPoint) {
    if (Over() || AttemptCount >= MaxAttempts - 1 || !Clock.Running()) return false;
    Clock.Tick(decimalPoint);
    return true;
}

bool TGameSession::Over() const {
    return CurrentState == TGameState::Won ||
           (CurrentState == TGameState::Revealed && Variant.ShowNumberEndsGame);
}

bool TGameSession::TakesGuesses() const {
    switch (CurrentState) {
    case TGameState::Playing:
    case TGameState::Lost:
        return true;
    case TGameState::Paused:
        return PauseCause == TPauseCause::Window;
    default:
        return false;
    }
}

std::vector<std::string> TGameSession::AcceptedGuesses() const {
    return {Guesses.begin(), Guesses.begin() + AttemptCount};
}
