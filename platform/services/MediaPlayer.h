#pragma once
// The invisible media player: a file name, Open and Play. Playing never
// waits; a new file cuts off the one playing.

#include <QObject>
#include <QString>
#include <set>

class TMediaPlayer : public QObject {
public:
    TMediaPlayer(QObject* parent, const QString& name);
    QString FileName;
    void Open();
    // Plays the opened file through the sound output. A file that cannot be
    // played plays nothing; it is reported once on standard error.
    void Play();

private:
    QString Opened;
    std::set<QString> Reported;
};

// Finds fileName in its directory without regard to case; returns it as is when nothing matches.
QString FindFileIgnoringCase(const QString& fileName);
