#include "MediaPlayer.h"

#include "Services.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <iostream>

// QT_LOGGING_RULES="tulva.sound.debug=true" lists every cue played.
Q_LOGGING_CATEGORY(SoundLog, "tulva.sound", QtWarningMsg)

QString FindFileIgnoringCase(const QString& fileName) {
    const QFileInfo info(fileName);
    if (info.exists()) return fileName;
    const QDir dir = info.dir();
    for (const QString& entry : dir.entryList(QDir::Files))
        if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0) return dir.filePath(entry);
    return fileName;
}

TMediaPlayer::TMediaPlayer(QObject* parent, const QString& name) : QObject(parent) {
    setObjectName(name);
}

void TMediaPlayer::Open() {
    Opened = FindFileIgnoringCase(FileName);
}

void TMediaPlayer::Play() {
    if (!Services().Sound) return;
    if (Services().Sound->Play(Opened)) {
        qCDebug(SoundLog) << "playing" << Opened;
        return;
    }
    if (Reported.insert(Opened).second)
        std::cerr << "Tulva and Vesk: cannot play sound file " << Opened.toStdString() << '\n';
}
