#pragma once
// A score file on disk: one line per won game, each ending with CR LF.
// Lines are bytes and pass through unchanged, so names are UTF-8 as given.

#include "WritePath.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The lines of a file's text. CR, LF and CR LF each end a line; a last line
// without an end still counts; an empty text has no lines.
std::vector<std::string> SplitScoreText(std::string_view text);

// Every line followed by CR LF.
std::string JoinScoreLines(const std::vector<std::string>& lines);

// The lines of the file, or nothing when there is no such file. A file that
// exists but cannot be read (a directory, a FIFO, a device, an I/O error)
// throws EFOpenError or EReadError at once and is left as it is.
std::optional<std::vector<std::string>> ReadScoreFile(const std::string& fileName);

// Creates an empty file when none exists (at the target of a dangling link);
// an existing file is not touched. Throws EFCreateError when it cannot be
// created.
void CreateEmptyScoreFile(const std::string& fileName);

// Saves the lines so that the file holds either the old table or the new one,
// never a part: the text goes to a temporary file created exclusively beside
// the file, is flushed to the disk and then renamed over the old file, which
// keeps its permissions. A file that is a link is saved at the link's target
// and the link stays. On failure the old file stays as it was, the temporary
// file is removed, and EFCreateError, EFOpenError or EWriteError tells why.
//
// Where the folder takes no new file (not writable) or lets no other user's
// file be replaced (sticky, as /tmp), a writable file is written in place
// instead, as a plain save would; that write is not atomic.
void WriteScoreFile(const std::string& fileName, const std::vector<std::string>& lines,
                    WritePath& path = WritePath::System());

// The file a name stands for after following its symbolic links; the name
// itself when it is no link. The target need not exist.
std::string ScoreFileTarget(const std::string& fileName);
