#pragma once
// One walk through a piece of mail, handing each container to a sink.
#include <gmime/gmime.h>

#include <string>
#include <vector>

#include "mail/container_sink.h"
#include "mail/mail_containers.h"

namespace quellmark {

class MailWalk {
public:
    MailWalk(std::string mailPath, ContainerSink& sink, MailProgress progress);

    // Every container in message order. Throws EMailFormat for mail that
    // cannot be read, Exception for a failed read or write.
    std::vector<MailContainer> Run();

private:
    void WalkMimeFile(MailKind kind);
    void WalkMessage(GMimeMessage* message, const std::string& lead);
    void TakePart(GMimePart* part, const std::string& location);
    void WalkTnef(unsigned char* data, size_t size, const std::string& lead);
    void Add(const std::string& name, const DecodedCopy& copy, const std::string& location);
    void Report(uint64_t done);

    std::string mailPath_;
    ContainerSink& sink_;
    MailProgress progress_;
    uint64_t total_ = 0;
    std::vector<MailContainer> found_;
};

}  // namespace quellmark
