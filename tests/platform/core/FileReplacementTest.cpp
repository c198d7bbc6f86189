// Where a file written in place of another goes: links followed to the name
// they lead to, and a circle of links ending instead of going round.

#include "FileReplacement.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(FileReplacement, LinksLeadToTheirLastNameAndACircleOfLinksEnds) {
    const fs::path folder = fs::temp_directory_path() / ("tv-file-replacement-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    // A chain through a relative and an absolute link to a name that does
    // not exist yet: the file to be created there.
    fs::create_symlink("middle", folder / "first");
    fs::create_symlink(folder / "last", folder / "middle");
    const TLinkTarget chain = FollowLinks((folder / "first").string());
    EXPECT_EQ(chain.Error, 0);
    EXPECT_EQ(chain.Target, (folder / "last").string());
    // A name that is no link is its own target.
    EXPECT_EQ(FollowLinks((folder / "plain").string()).Target, (folder / "plain").string());
    // Two links pointing at each other.
    fs::create_symlink("b", folder / "a");
    fs::create_symlink("a", folder / "b");
    EXPECT_EQ(FollowLinks((folder / "a").string()).Error, ELOOP);
    fs::remove_all(folder);
}
