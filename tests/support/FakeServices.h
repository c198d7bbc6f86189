#pragma once
// Fakes of the outside world for window tests: a clock that moves only when
// told, a recording sound sink, scripted dialog answers and a recording
// error box.

#include "RandomSource.h"
#include "Services.h"

#include <QStringList>
#include <deque>
#include <memory>

class TFakeClock : public TClock {
public:
    QDateTime Now() override { return Start.addMSecs(static_cast<qint64>(Seconds * 1000)); }
    double MonotonicSeconds() override { return Seconds; }
    void Advance(double seconds) { Seconds += seconds; }
    QDateTime Start = QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0));
    double Seconds = 1000.0;
};

class TRecordingSound : public TSoundOutput {
public:
    bool Play(const QString& fileName) override {
        Played << fileName;
        return Playable;
    }
    void Stop() override {}
    QStringList Played;
    bool Playable = true;
};

// Returns scripted numbers; once they run out, a seeded generator takes over.
class TScriptedRandomSource : public TRandomSource {
public:
    void Randomize() override {}
    int Random(int n) override { return static_cast<int>(Random64(n)); }
    int64_t Random64(int64_t n) override {
        if (!Script.empty()) {
            const int64_t r = Script.front();
            Script.pop_front();
            return r % n;
        }
        return Fallback.Random64(n);
    }
    std::deque<int64_t> Script;
    TSeededRandom Fallback{1};
};

struct TFakeWorld {
    std::shared_ptr<TFakeClock> Clock = std::make_shared<TFakeClock>();
    std::shared_ptr<TRecordingSound> Sound = std::make_shared<TRecordingSound>();
    std::shared_ptr<TScriptedRandomSource> Random = std::make_shared<TScriptedRandomSource>();
    std::deque<TModalResult> Answers;
    QStringList Questions;
    QStringList Errors;
    bool FontConfirmed = false;
    QFont FontChoice;
    QColor FontColorChoice = Qt::black;

    // Puts the fakes in place of the real services.
    void Install() {
        TServices& s = Services();
        s.Clock = Clock;
        s.Sound = Sound;
        s.Random = Random;
        s.Confirm = [this](const QString& text) {
            Questions << text;
            if (Answers.empty()) return TModalResult::Cancel;
            const TModalResult a = Answers.front();
            Answers.pop_front();
            return a;
        };
        s.ChooseFont = [this](QFont& font, QColor& color) {
            if (FontConfirmed) {
                font = FontChoice;
                color = FontColorChoice;
            }
            return FontConfirmed;
        };
        s.ShowError = [this](const QString& message) { Errors << message; };
    }
};
