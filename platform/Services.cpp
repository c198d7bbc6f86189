#include "Services.h"

#include "FontColorDialog.h"
#include "RandomSource.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

namespace {

class TSystemClock : public TClock {
public:
    TSystemClock() { Elapsed.start(); }
    QDateTime Now() override { return QDateTime::currentDateTime(); }
    double MonotonicSeconds() override { return Elapsed.nsecsElapsed() / 1e9; }

private:
    QElapsedTimer Elapsed;
};

// One sound effect object: a new cue replaces the one playing. The effect
// belongs to the application object and goes with it: Qt's cache of decoded
// sounds is destroyed among the exit-time destructors, before these services,
// and an effect destroyed after it writes into freed memory.
class TEffectSoundOutput : public TSoundOutput {
public:
    ~TEffectSoundOutput() override { delete Effect; }
    bool Play(const QString& fileName) override {
        if (!QFileInfo(fileName).isFile()) return false;
        if (!Effect) Effect = new QSoundEffect(QCoreApplication::instance());
        Effect->stop();
        Effect->setSource(QUrl::fromLocalFile(fileName));
        Effect->play();
        return true;
    }
    void Stop() override {
        if (Effect) Effect->stop();
    }

private:
    QPointer<QSoundEffect> Effect; // cleared when the application deletes it
};

TServices MakeRealServices() {
    TServices s;
    s.Clock = std::make_shared<TSystemClock>();
    s.Random = std::make_shared<TClockSeededRandom>();
    s.Sound = std::make_shared<TEffectSoundOutput>();
    s.Confirm = [](const QString& text) {
        const auto answer =
            QMessageBox::question(QApplication::activeWindow(), QApplication::applicationName(), text,
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Yes) return TModalResult::Yes;
        if (answer == QMessageBox::No) return TModalResult::No;
        return TModalResult::Cancel;
    };
    s.ChooseFont = [](QFont& font, QColor& color) {
        return RunFontColorDialog(font, color, QApplication::activeWindow());
    };
    s.ShowError = [](const QString& message) {
        QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), message);
    };
    return s;
}

} // namespace

TServices& Services() {
    static TServices services = MakeRealServices();
    return services;
}

void ResetServices() {
    Services() = MakeRealServices();
}
