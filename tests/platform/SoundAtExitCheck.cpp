// Plays a cue through the program's real sound output and then ends as the
// program does: the application object goes first, the exit-time destructors
// after it. The sound effect must be gone with the application: Qt's cache
// of decoded sounds is itself destroyed at exit, and an effect destroyed
// after it corrupts the heap (seen as an abort when the game is closed).
#include "Application.h"
#include "Services.h"

#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: sound_at_exit_check CUE-FILE\n");
        return 2;
    }
    const QString cue = QString::fromLocal8Bit(argv[1]);
    {
        TApplication app(argc, argv);
        if (!Services().Sound->Play(cue)) {
            std::fprintf(stderr, "cannot play %s\n", argv[1]);
            return 1;
        }
        // The sound output tells nothing of its progress: a second of events
        // lets Qt's loader thread decode the cue, as a player's cue is.
        QElapsedTimer playing;
        playing.start();
        while (playing.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return 0;
}
