// The public face of the mail layer. The walk runs on the caller's thread
// (progress reports arrive there): GMime's parser bounds its own recursion
// (1024 nested multiparts, 512 forwarded messages, well under 1 MiB of
// stack) and the walk over the parsed tree is iterative. Files of a failed
// walk are removed again.
#include "mail/mail_containers.h"

#include "mail/container_sink.h"
#include "mail/mail_walk.h"

namespace quellmark {

namespace {

std::vector<MailContainer> Walk(const std::string& mailPath, const std::string& directory, const MailProgress& progress) {
    ContainerSink sink(directory);
    std::vector<MailContainer> found = MailWalk(mailPath, sink, progress).Run();
    sink.Keep();
    return found;
}

}  // namespace

std::vector<MailContainer> SaveMailContainers(const std::string& mailPath, const std::string& directory,
                                              const MailProgress& progress) {
    if (directory.empty()) throw Exception("No directory to save the mail's containers in");
    return Walk(mailPath, directory, progress);
}

std::vector<MailContainer> ListMailContainers(const std::string& mailPath, const MailProgress& progress) {
    return Walk(mailPath, "", progress);
}

}  // namespace quellmark
