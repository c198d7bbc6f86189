#pragma once
// Holds the exclusive lock of one score file for as long as it lives, so that
// two game processes recording in the same directory take turns.
//
// The lock is flock on the folder that holds the file: a save replaces the
// file by a new one, so a lock on the file itself would let the next process
// read a file that is gone, and a separate lock file is something one user can
// leave behind that another user cannot open. Whoever can read the file's
// folder can lock it, and the lock goes with the process. Where the folder
// cannot be opened, the file itself is locked; where neither can, the table
// is used without a lock rather than a win being lost.

#include <string>

class ScoreLock {
public:
    explicit ScoreLock(const std::string& scoreFileName);
    ~ScoreLock();
    ScoreLock(const ScoreLock&) = delete;
    ScoreLock& operator=(const ScoreLock&) = delete;

    // Whether the lock is held.
    bool Held() const { return Fd >= 0; }

private:
    int Fd = -1;
};
