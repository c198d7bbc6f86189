#pragma once
// Runs a step of a test in a forked child: as another user, to see what the
// permissions of shared folders let that user do, and under an alarm, so that
// a step that would block for ever fails instead of hanging the test.

#include <csignal>
#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

// Two users that are not root and own nothing on the machine.
constexpr uid_t PlayerUid = 4242;
constexpr uid_t OtherUid = 4343;

struct ChildResult {
    bool Exited = false; // ended by itself, not killed (by the alarm)
    int Status = -1;     // its exit status: 0 when the step returned true
    bool Succeeded() const { return Exited && Status == 0; }
};

// The step returns true on success; an exception gives status 2. With a uid,
// the child gives up root and takes that user and group first.
inline ChildResult RunInChild(const std::function<bool()>& step, uid_t uid = 0, unsigned seconds = 20) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(seconds);
        if (uid != 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0 ||
                         ::setresuid(uid, uid, uid) != 0))
            ::_exit(3);
        int status = 2;
        try {
            status = step() ? 0 : 1;
        } catch (...) {
        }
        ::_exit(status);
    }
    ChildResult result;
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return result;
    result.Exited = WIFEXITED(status);
    result.Status = result.Exited ? WEXITSTATUS(status) : -1;
    return result;
}
