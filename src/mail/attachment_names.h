#pragma once
// Which attachments are containers, and what they are called when the sender
// gave no name.
#include <string>

namespace quellmark {

// The container's MIME type, the one a sender's mail program may give a
// container whose name it dropped.
inline constexpr const char* kContainerMimeType = "application/x-ozv-container";

// True when `name` ends in ".ozv" in any letter case, or `mimeType` (as
// "type/subtype", any case) is the container's type.
bool IsContainerAttachment(const std::string& name, const std::string& mimeType);

// True for the name Outlook gives its TNEF part ("winmail.dat", any case).
bool IsWinmailName(const std::string& name);

// The name of the `ordinal`-th container (from 1) of a piece of mail when the
// attachment itself has none: "attachment-N.ozv".
std::string NameForUnnamedContainer(int ordinal);

}  // namespace quellmark
