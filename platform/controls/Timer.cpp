#include "Timer.h"

#include "Application.h"

TTimer::TTimer(QObject* parent, const QString& name, int interval) : QObject(parent) {
    setObjectName(name);
    Ticker.setInterval(interval);
    connect(&Ticker, &QTimer::timeout, this, [this] { Tick(); });
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == Ticker.isActive()) return;
    if (enabled)
        Ticker.start();
    else
        Ticker.stop();
}

void TTimer::Tick() {
    if (!Ticker.isActive()) return;
    TApplication::Guarded([&] {
        if (OnTimer) OnTimer();
    });
}
