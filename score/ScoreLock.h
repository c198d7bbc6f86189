#pragma once
// Holds the exclusive lock of one score file for as long as it lives, so that
// two game processes recording in the same directory take turns.
//
// The lock is on a companion file (the score file's name with ".lock"), not on
// the score file itself: a save replaces the score file by a new one, and a
// lock on the old one would let the next process read a file that is gone.

#include <string>

class ScoreLock {
public:
    explicit ScoreLock(const std::string& scoreFileName);
    ~ScoreLock();
    ScoreLock(const ScoreLock&) = delete;
    ScoreLock& operator=(const ScoreLock&) = delete;

    static std::string LockFileName(const std::string& scoreFileName);

private:
    int Fd = -1;
};
