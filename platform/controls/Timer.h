#pragma once
// The timer: while enabled it ticks every Interval milliseconds, each tick a
// message handled between other events.

#include <QObject>
#include <QTimer>
#include <functional>

class TTimer : public QObject {
public:
    TTimer(QObject* parent, const QString& name, int interval);

    std::function<void()> OnTimer;
    void SetEnabled(bool enabled);
    bool Enabled() const { return Ticker.isActive(); }
    int Interval() const { return Ticker.interval(); }
    // One tick now, as the timer would deliver it (nothing when disabled).
    void Tick();

private:
    QTimer Ticker;
};
