#pragma once
// The outside world as the program sees it: time, chance, sound and the two
// dialogs that wait for the player. Each has a real default; tests put in
// fakes so that nothing sleeps, asks or makes a sound.

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QString>
#include <functional>
#include <memory>

class TRandomSource;

class TClock {
public:
    virtual ~TClock() = default;
    // The local date and time, for texts such as the date of a score line.
    virtual QDateTime Now() = 0;
    // Seconds on a clock that only moves forward, for measuring elapsed time.
    virtual double MonotonicSeconds() = 0;
};

class TSoundOutput {
public:
    virtual ~TSoundOutput() = default;
    // Starts playing the file, cutting off whatever plays; does not wait.
    // Returns false when the file cannot be played.
    virtual bool Play(const QString& fileName) = 0;
    virtual void Stop() = 0;
};

enum class TModalResult { None, Yes, No, Cancel };

struct TServices {
    std::shared_ptr<TClock> Clock;
    std::shared_ptr<TRandomSource> Random;
    std::shared_ptr<TSoundOutput> Sound;
    // Answers a confirmation box (question, buttons Yes, No and Cancel).
    std::function<TModalResult(const QString& text)> Confirm;
    // Runs the font dialog from `font` and `color`; returns true and the
    // chosen font and colour on confirmation.
    std::function<bool(QFont& font, QColor& color)> ChooseFont;
    // Shows an error that left an event handler.
    std::function<void(const QString& message)> ShowError;
};

// The services in force; real ones until a test replaces them.
TServices& Services();
// Puts back the real services.
void ResetServices();
