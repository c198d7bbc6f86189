#include "SoundCue.h"

#include "MediaPlayer.h"
#include "UMein.h"

void PlayCue(const QString& fileName) {
    if (!FormM || !FormM->MP) return;
    FormM->MP->FileName = FormM->ProgramDir + fileName;
    FormM->MP->Open(); // re-opening cuts off the cue still playing
    FormM->MP->Play();
}
