#pragma once
// The containers that one operand of info, list, extract or test stands for:
// the operand itself when it is a container (or anything else that is not
// mail), or every container found in a message, an mbox or a winmail.dat,
// decoded into a private directory for the command.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/container_files.h"
#include "cli/ozv.h"
#include "cli/stdin_container.h"

namespace quellmark {

struct ContainerInput {
    std::string path;      // the file to read
    std::string name;      // the attachment's name as sent; "" for a container given as such
    std::string location;  // where in the mail it sits ("section 1.2"); "" for a container given as such
    std::string heading;   // the line that introduces it in the output; "" for a container given as such
};

class ContainerInputs {
public:
    // `path` is the operand's file, as ContainerPath gives it. Throws
    // EBadContainer for mail that cannot be read or that holds no container.
    ContainerInputs(const std::string& path, bool showProgress);
    ContainerInputs(const ContainerInputs&) = delete;
    ContainerInputs& operator=(const ContainerInputs&) = delete;

    bool FromMail() const { return fromMail_; }
    // The mail as messages name it ("\"mail.eml\"", "standard input").
    const std::string& MailLabel() const { return mailLabel_; }
    const std::vector<ContainerInput>& Items() const { return items_; }

private:
    bool fromMail_ = false;
    std::string mailLabel_;
    std::vector<ContainerInput> items_;
    std::unique_ptr<ScratchDirectory> scratch_;
    std::vector<std::unique_ptr<ContainerLabelScope>> labels_;
};

// The containers of a piece of mail that a command could not handle: each
// is reported on standard error when it fails, and the command fails
// naming them all once the others were handled.
class BadContainers {
public:
    // Runs `work` on `input`, one of `inputs`. When the container fails
    // (EBadContainer), one that came in mail is noted and the command goes
    // on; one given as such fails the command at once. True when it worked.
    bool Handle(const ContainerInputs& inputs, const ContainerInput& input, const std::function<void()>& work);
    void Note(const ContainerInput& input, const EBadContainer& failure);
    bool Empty() const { return names_.empty(); }
    // Throws EBadContainer naming every container noted, if any.
    void ThrowIfAny(const ContainerInputs& inputs) const;

private:
    std::vector<std::string> names_;
};

// The folder beneath the destination for each container when "ozv extract"
// unpacks several: the attachment's name made safe, less ".ozv" (any case),
// with "-2", "-3"... added to a name already taken. A name that would leave
// nothing usable ("", ".", "..") becomes "attachment".
std::vector<std::string> ExtractFolderNames(const std::vector<std::string>& attachmentNames);

// The file name each attachment is saved under by "ozv attachments --save":
// the attachment's name made safe, with "-2", "-3"... put before the
// extension of a name already taken.
std::vector<std::string> SavedFileNames(const std::vector<std::string>& attachmentNames);

// A name made fit for one line of output: control characters become "?".
std::string PrintableName(const std::string& name);

}  // namespace quellmark
