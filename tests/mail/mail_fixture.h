#pragma once
// A temporary directory with random payloads standing for containers, mail
// written around them (see mail_writer.h), and an empty folder to save into.
#include <string>
#include <vector>

#include "mail/mail_containers.h"
#include "mail_writer.h"
#include "temp_dir.h"

namespace quellmark {

class MailTest : public TempDirTest {
protected:
    void SetUp() override;

    // Random bytes standing for a container, kept in a file of their own.
    std::string Payload(const std::string& name, size_t size);
    // One message (or an mbox of several) written by Python's email package.
    std::string WriteMessage(const std::string& body, const std::string& file = "mail.eml") {
        return WriteMail((root / file).string(), {body});
    }
    std::string WriteMbox(const std::vector<std::string>& bodies, const std::string& file = "mail.mbox") {
        return WriteMail((root / file).string(), bodies, true);
    }

    std::vector<MailContainer> Save(const std::string& mail) { return SaveMailContainers(mail, out); }
    // The saved copy holds exactly the payload's bytes, privately, inside `out`.
    void ExpectCopyOf(const MailContainer& found, const std::string& payload);
    // Each container found, in order, has the name and location expected and
    // is a copy of its payload.
    struct Expected {
        std::string name, location, payload;
    };
    void ExpectSaved(const std::vector<MailContainer>& found, const std::vector<Expected>& expected);
    // Empties `out` between the cases of one test.
    void ClearOut();

    std::string out;  // an empty directory for saved containers

private:
    unsigned seed_ = 1;
};

}  // namespace quellmark
