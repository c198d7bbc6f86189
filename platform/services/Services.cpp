#include "Services.h"

#include "FontColorDialog.h"
#include "RandomSource.h"
#include "SoundModule.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLibrary>
#include <QMessageBox>
#include <iostream>

namespace {

class TSystemClock : public TClock {
public:
    TSystemClock() { Elapsed.start(); }
    QDateTime Now() override { return QDateTime::currentDateTime(); }
    double MonotonicSeconds() override { return Elapsed.nsecsElapsed() / 1e9; }

private:
    QElapsedTimer Elapsed;
};

// Plays through the sound module, loaded at the first cue.
class TModuleSoundOutput : public TSoundOutput {
public:
    bool Play(const QString& fileName) override {
        if (!Tried) {
            Tried = true;
            QString error;
            Output = LoadSoundModule(&error);
            if (!Output)
                std::cerr << "Tulva and Vesk: cannot load the sound module: " << error.toStdString() << '\n';
        }
        return Output && Output->Play(fileName);
    }
    void Stop() override {
        if (Output) Output->Stop();
    }

private:
    bool Tried = false;
    std::unique_ptr<TSoundOutput> Output;
};

// The window a box or dialog belongs to: the active one, or else the modal
// window that is up (the window system may not have told which is active).
QWidget* DialogOwner() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    return QApplication::activeModalWidget();
}

TServices MakeRealServices() {
    TServices s;
    s.Clock = std::make_shared<TSystemClock>();
    s.Random = std::make_shared<TClockSeededRandom>();
    s.Sound = std::make_shared<TModuleSoundOutput>();
    s.Confirm = [](const QString& text) {
        const auto answer = QMessageBox::question(DialogOwner(), QApplication::applicationName(), text,
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Yes) return TModalResult::Yes;
        if (answer == QMessageBox::No) return TModalResult::No;
        return TModalResult::Cancel;
    };
    s.ChooseFont = [](QFont& font, QColor& color) { return RunFontColorDialog(font, color, DialogOwner()); };
    s.ShowError = [](const QString& message) {
        QMessageBox::critical(DialogOwner(), QApplication::applicationName(), message);
    };
    return s;
}

} // namespace

std::unique_ptr<TSoundOutput> LoadSoundModule(QString* error) {
    const QString programDir = QCoreApplication::applicationDirPath();
    for (const QString& dir : {programDir, QDir(programDir).filePath(TV_INSTALLED_MODULE_DIR)}) {
        // The module stays loaded while the program runs.
        QLibrary module(QDir(dir).filePath(SoundModuleName));
        if (auto make = reinterpret_cast<TMakeSoundOutput>(module.resolve(SoundModuleEntry)))
            return std::unique_ptr<TSoundOutput>(make());
        if (error) *error = module.errorString();
    }
    return nullptr;
}

TServices& Services() {
    static TServices services = MakeRealServices();
    return services;
}

void ResetServices() {
    Services() = MakeRealServices();
}
