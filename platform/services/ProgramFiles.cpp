#include "ProgramFiles.h"

#include "MediaPlayer.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString LocateProgramDir(const QString& programDir, const QString& installedDataDir,
                         const QString& probeFile) {
    const auto holdsProbe = [&](const QString& dir) {
        return QFileInfo(FindFileIgnoringCase(dir + probeFile)).isFile();
    };
    if (holdsProbe(programDir) || installedDataDir.isEmpty()) return programDir;
    const QDir base(programDir.isEmpty() ? QString(".") : programDir);
    const QString installed = QDir::cleanPath(base.filePath(installedDataDir)) + '/';
    return holdsProbe(installed) ? installed : programDir;
}

QString UserDataFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) return QString();
    return folder;
}
