#include "Stopwatch.h"

#include <QLocale>
#include <cmath>

TStopwatch::TStopwatch(std::function<double()> now) : Now(std::move(now)) {}

void TStopwatch::Start() {
    StartTime = Now();
    Stopped = 0.0;
    PauseStart = 0;
    PausedTotal = 0;
}

void TStopwatch::Pause() {
    PauseStart = Now();
    Stopped = 1.0;
}

void TStopwatch::Resume() {
    PauseLength = Now() - PauseStart;
    PausedTotal += PauseLength;
    Stopped = 0.0;
}

void TStopwatch::Tick(const QString& decimalPoint) {
    const double elapsed = Now() - StartTime - PausedTotal;
    // The tenths come from the rounded one-decimal text, the seconds from the
    // truncated value: 12.96 s reads 12 seconds and ".0".
    QString oneDecimal = QString::asprintf("%.1f", elapsed);
    oneDecimal.replace('.', decimalPoint);
    TenthsText = oneDecimal.right(decimalPoint.size() + 1);
    const double whole = std::trunc(elapsed);
    Minutes = std::floor(whole / 60);
    Seconds = whole - Minutes * 60;
}

QString TStopwatch::RunningText() const {
    return QString("Time : %1:%2").arg(Minutes, 0, 'f', 0).arg(Seconds, 0, 'f', 0);
}

QString TStopwatch::FinalText() const {
    return RunningText() + TenthsText;
}

QString LocaleDecimalPoint() {
    return QLocale().decimalPoint();
}
