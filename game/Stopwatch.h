#pragma once
// The stopwatch of a game window: start, pause, resume and the reading taken
// at each tick, with its running and final time texts. Time comes from a
// clock that only moves forward, so changing the system clock during a game
// does not change its time. The window owns the timer that calls Tick.

#include <QString>
#include <functional>

class TStopwatch {
public:
    // now: seconds on a monotonic clock.
    explicit TStopwatch(std::function<double()> now);

    void Start();
    // Sets the start to now without starting (some windows do so on activation).
    void RestartTime() { StartTime = Now(); }
    void Pause();
    void Resume();
    // Takes a reading: elapsed play time into Minutes, Seconds and TenthsText.
    // decimalPoint is the separator of the user's locale.
    void Tick(const QString& decimalPoint);

    // "Time : 1:5" from the last reading.
    QString RunningText() const;
    // "Time : 1:5.3" from the last reading.
    QString FinalText() const;
    bool Running() const { return Stopped == 0.0; }

    double StartTime = 0;
    double PauseStart = 0;
    double PauseLength = 0;
    double PausedTotal = 0;
    // 1.0 while stopped, 0.0 while running.
    double Stopped = 1.0;
    double Minutes = 0;
    double Seconds = 0;
    QString TenthsText;

private:
    std::function<double()> Now;
};

// The decimal separator of the user's locale.
QString LocaleDecimalPoint();
