#include "SoundCue.h"

#include "MediaPlayer.h"

void PlayCue(const TSharedSettings& settings, const QString& fileName) {
    TMediaPlayer* player = settings.SoundOutput;
    if (!player) return;
    player->FileName = settings.ProgramDir + fileName;
    player->Open(); // re-opening cuts off the cue still playing
    player->Play();
}
