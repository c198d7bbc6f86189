// The sound output module as the program loads it at its first cue. The test
// program lies beside the module, as the game does.
#include "SoundModule.h"
#include "Services.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A tenth of a second of silence: 8 kHz, mono, 16-bit PCM.
void WriteSilentWav(const QString& path) {
    const quint32 samples = 800;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(16000) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    for (quint32 i = 0; i < samples; ++i) out << qint16(0);
}

} // namespace

TEST(SoundModule, TheProgramsSoundOutputLoadsItAtTheFirstCueAndEndsCleanly) {
    // The program's own output, made before the module is loaded: at exit the
    // module's libraries clean up before it, and ending must not crash.
    TSoundOutput& sound = *Services().Sound;
    QString error;
    ASSERT_NE(LoadSoundModule(&error), nullptr) << error.toStdString();
    EXPECT_FALSE(sound.Play("no such cue.wav"));
    static QTemporaryDir folder;
    const QString cue = folder.filePath("silence.wav");
    WriteSilentWav(cue);
    EXPECT_TRUE(sound.Play(cue));
    // The effect belongs to the application; it reads its file on another
    // thread. Played to the end of its loading, it holds what the module's
    // libraries clean up.
    QObject* effect = nullptr;
    for (QObject* child : QCoreApplication::instance()->children())
        if (QByteArray(child->metaObject()->className()) == "QSoundEffect") effect = child;
    ASSERT_NE(effect, nullptr);
    const auto loading = [effect] {
        const QByteArray status = effect->property("status").toByteArray();
        return status.isEmpty() || status == "Null" || status == "Loading";
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !loading(); }, 5000));
}
