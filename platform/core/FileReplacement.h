#pragma once
// What writing a file in place of another needs: the name its links lead
// to, a temporary file beside that name for the new content, which is then
// renamed over it, and the rename made lasting. Used by the score file and
// by tvgif's output, each with its own errors and its own way out where the
// folder takes no new file.

#include <string>

// Creates a new file beside target, exclusively and never through a link,
// under a name nobody can have planted (target + tag + eight random
// letters, in temporary). Its descriptor, or -1 with errno set.
int CreateTemporaryBeside(const std::string& target, const std::string& tag, std::string& temporary);

// Syncs the folder of fileName, so that a rename into it lasts; a failure
// here loses nothing already written.
void SyncFolderOf(const std::string& fileName);

// Where fileName's links lead: each followed to the name it points at,
// whether or not that exists yet. Error is 0, or ELOOP after 40 links, or
// readlink's error for the link at Target.
struct TLinkTarget {
    std::string Target;
    int Error = 0;
};
TLinkTarget FollowLinks(const std::string& fileName);
