// The sound output module: cues played with Qt Multimedia.
#include "SoundModule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

namespace {

// One sound effect object: a new cue replaces the one playing.
class TEffectSoundOutput : public TSoundOutput {
public:
    ~TEffectSoundOutput() override { delete Effect; }
    bool Play(const QString& fileName) override {
        if (!QFileInfo(fileName).isFile()) return false;
        // The effect belongs to the application and goes with it: the
        // multimedia library, loaded after the program's own objects were
        // made, cleans up before them at exit.
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
    QPointer<QSoundEffect> Effect;
};

} // namespace

extern "C" Q_DECL_EXPORT TSoundOutput* TvMakeSoundOutput() {
    return new TEffectSoundOutput;
}
