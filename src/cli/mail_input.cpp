#include "cli/mail_input.h"

#include <cstdio>
#include <set>

#include "cli/progress.h"
#include "mail/mail_containers.h"

namespace quellmark {

namespace {

// The suffix a container's name ends in, in any letter case.
bool EndsInOzv(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    return tail == ".ozv";
}

// `wanted`, or the first of wanted-2, wanted-3... not in `taken` (the number
// going before `extension`, which `wanted` ends in); the result is taken.
std::string FirstFree(const std::string& wanted, const std::string& extension, std::set<std::string>& taken) {
    std::string name = wanted;
    const std::string stem = wanted.substr(0, wanted.size() - extension.size());
    for (int number = 2; taken.count(name) != 0; ++number) name = stem + "-" + std::to_string(number) + extension;
    taken.insert(name);
    return name;
}

// Bytes of the mail read, as a progress bar on a terminal.
MailProgress MailBar(bool show) {
    if (!show) return {};
    auto bar = TerminalByteProgress("reading mail");
    if (!bar) return {};
    return [bar](uint64_t done, uint64_t total) {
        bar(static_cast<int64_t>(done), static_cast<int64_t>(total));
    };
}

}  // namespace

ContainerInputs::ContainerInputs(const std::string& path, bool showProgress) {
    MailKind kind = MailKind::None;
    try {
        kind = DetectMailKind(path);
    } catch (const EMailFormat&) {
        kind = MailKind::Message;  // read below, where its fault is named
    }
    if (kind == MailKind::None) {
        items_.push_back({path, "", "", ""});
        return;
    }
    fromMail_ = true;
    mailLabel_ = ContainerLabel(path);
    scratch_ = std::make_unique<ScratchDirectory>(TempParent());
    std::vector<MailContainer> found;
    const MailProgress progress = MailBar(showProgress);
    try {
        found = SaveMailContainers(path, scratch_->Path(), progress);
    } catch (const EMailFormat& e) {
        if (progress) progress(0, 0);
        throw EBadContainer("cannot read the mail in " + mailLabel_ + ": " + e.Message());
    }
    if (progress) progress(0, 0);
    if (found.empty()) throw EBadContainer("no container (.ozv attachment) found in " + mailLabel_);
    for (const auto& container : found) {
        const std::string label = Quoted(PrintableName(container.name)) + " (" + container.location + " of " +
                                  mailLabel_ + ")";
        labels_.push_back(std::make_unique<ContainerLabelScope>(container.path, label));
        items_.push_back({container.path, container.name, container.location, label + ":"});
    }
}

bool BadContainers::Handle(const ContainerInputs& inputs, const ContainerInput& input,
                           const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const EBadContainer& e) {
        // What was printed of it comes before the report of its failure.
        std::fflush(stdout);
        if (!inputs.FromMail()) throw;
        Note(input, e);
        return false;
    }
}

void BadContainers::Note(const ContainerInput& input, const EBadContainer& failure) {
    std::fprintf(stderr, "ozv: %s\n", failure.Message().c_str());
    names_.push_back(Quoted(PrintableName(input.name)) + " (" + input.location + ")");
}

void BadContainers::ThrowIfAny(const ContainerInputs& inputs) const {
    if (names_.empty()) return;
    std::string list;
    for (const auto& name : names_) list += (list.empty() ? "" : ", ") + name;
    const std::size_t total = inputs.Items().size();
    throw EBadContainer(std::to_string(names_.size()) + " of " + std::to_string(total) +
                        (total == 1 ? " container in " : " containers in ") + inputs.MailLabel() +
                         " failed: " + list);
}

std::vector<std::string> ExtractFolderNames(const std::vector<std::string>& attachmentNames) {
    std::set<std::string> taken;
    std::vector<std::string> folders;
    for (const auto& name : attachmentNames) {
        std::string folder = SafeAttachmentName(name);
        if (EndsInOzv(folder)) folder.resize(folder.size() - 4);
        // ".ozv", "..ozv" and "...ozv" would otherwise name the destination
        // itself or its parent.
        if (folder.empty() || folder == "." || folder == "..") folder = "attachment";
        folders.push_back(FirstFree(folder, "", taken));
    }
    return folders;
}

std::vector<std::string> SavedFileNames(const std::vector<std::string>& attachmentNames) {
    std::set<std::string> taken;
    std::vector<std::string> files;
    for (const auto& name : attachmentNames) {
        const std::string file = SafeAttachmentName(name);
        const std::size_t dot = file.rfind('.');
        // A leading dot starts a hidden name, not an extension.
        const std::string extension = dot == std::string::npos || dot == 0 ? "" : file.substr(dot);
        files.push_back(FirstFree(file, extension, taken));
    }
    return files;
}

std::string PrintableName(const std::string& name) {
    std::string printable = name;
    for (char& c : printable)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return printable;
}

}  // namespace quellmark
