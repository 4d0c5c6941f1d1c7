#pragma once
// Mail for the tests, written at test time: by Python's standard `email`
// package (write_mail.py, from a JSON description) or by hand.
#include <string>
#include <vector>

#include "mail/mail_containers.h"
#include "temp_dir.h"

namespace quellmark {

// A JSON string literal of `text`.
std::string JsonString(const std::string& text);

// Description of one attachment part for write_mail.py.
std::string AttachmentPart(const std::string& dataPath, const std::string& name, const std::string& encoding = "base64",
                           const std::string& nameStyle = "rfc2231",
                           const std::string& type = "application/octet-stream");
std::string TextPart(const std::string& text = "Hello");
std::string Multipart(const std::string& subtype, const std::vector<std::string>& parts);
std::string Forwarded(const std::string& body);

class MailTest : public TempDirTest {
protected:
    void SetUp() override;

    // Random bytes standing for a container, kept in a file of their own.
    std::string Payload(const std::string& name, size_t size);
    // One message (or an mbox of several) written by write_mail.py.
    std::string WriteMessage(const std::string& body, const std::string& file = "mail.eml");
    std::string WriteMbox(const std::vector<std::string>& bodies, const std::string& file = "mail.mbox");
    // Runs a script of this folder with python3; fails the test when it fails.
    void RunScript(const std::string& script, const std::vector<std::string>& args);

    std::vector<MailContainer> Save(const std::string& mail) { return SaveMailContainers(mail, out); }

    std::string out;  // an empty directory for saved containers

private:
    unsigned seed_ = 1;
};

}  // namespace quellmark
