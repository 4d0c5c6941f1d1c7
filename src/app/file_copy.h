#pragma once
// Copies of unpacked files put where the user asks (Save, Save All, Extract
// All To). A copy is written beside its final name and renamed over it only
// once it is whole, so a failed copy neither leaves a torn file under that
// name nor destroys the file that was there. The copy keeps the modification
// time of its source, which is the time the cabinet recorded.
#include <string>

namespace quellmark {

// Copies `source` to `target`, replacing an existing file. A target that is
// a link to a file is written through, to the file it names. Throws
// EStreamError with "Cannot open file ..." (source), "Cannot create file ..."
// or "Cannot write file ..." (target).
void CopyFileKeepingTime(const std::string& source, const std::string& target);

// Copies `source` to `relative` ("docs/b.txt") beneath `folder`, making the
// sub-folders that are missing. Nothing below `folder` is followed through a
// link, so the copy lands beneath it or nowhere. `relative` must pass
// StaysBeneath. Throws EStreamError naming the target on failure.
void CopyBeneath(const std::string& source, const std::string& folder, const std::string& relative);

// False for a name that could lead out of the folder it is written into:
// empty, absolute, with a ".." component, or naming no file at its end.
bool StaysBeneath(const std::string& relative);

// True when a file (or a link, which would be replaced) stands at `relative`
// beneath `folder`; a folder there is no file to replace.
bool FileExistsBeneath(const std::string& folder, const std::string& relative);

}  // namespace quellmark
