// Real winmail.dat files from the tnef project's test suite, and real files
// rewritten to carry a container.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "mail/tnef_walk.h"
#include "mail_fixture.h"

namespace quellmark {
namespace {

const std::string kTnefData = std::string(QUELLMARK_TEST_DATA_DIR) + "/tnef";

// What the process writes to standard output while it lives.
class CapturedStandardOutput {
public:
    explicit CapturedStandardOutput(const std::string& file) : file_(file) {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDOUT_FILENO);
        ::close(fd);
    }
    ~CapturedStandardOutput() { Restore(); }
    void Restore() {
        if (saved_ < 0) return;
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
        saved_ = -1;
    }

private:
    std::string file_;
    int saved_ = -1;
};

class RealTnef : public MailTest {
protected:
    // The attachment names that suite expects, without the message bodies
    // its tool also saves ("...-body.rtf").
    std::vector<std::string> ExpectedNames(const std::string& stem) {
        std::ifstream list(kTnefData + "/expected/" + stem + ".list");
        std::vector<std::string> names;
        for (std::string line; std::getline(list, line);)
            if (!line.empty() && line.find("-body.") == std::string::npos) names.push_back(line);
        return names;
    }

    // A real file with its `index`-th attachment made a container.
    std::string WithContainer(const std::string& stem, int index, const std::string& name, const std::string& payload) {
        const std::string rewritten = (root / (stem + "-with-container.dat")).string();
        RunPython(QUELLMARK_REWRITE_TNEF,
                  {"rename", kTnefData + "/" + stem + ".tnef", rewritten, std::to_string(index), name, payload});
        return rewritten;
    }
};

TEST_F(RealTnef, AttachmentsComeOutWithTheNamesAndBytesTheSuiteExpects) {
    for (const std::string stem : {"two-files", "unicode-mapi-attr", "multi-value-attribute"}) {
        SCOPED_TRACE(stem);
        std::string stream = ReadFile(kTnefData + "/" + stem + ".tnef");
        std::vector<std::string> names;
        ForEachTnefAttachment(reinterpret_cast<unsigned char*>(stream.data()), stream.size(),
                              [&](const TnefAttachment& attachment) {
                                  names.push_back(attachment.name);
                                  const std::string bytes(reinterpret_cast<const char*>(attachment.data),
                                                          attachment.size);
                                  EXPECT_EQ(bytes, ReadFile(kTnefData + "/expected/" + attachment.name))
                                      << attachment.name;
                              });
        EXPECT_EQ(names, ExpectedNames(stem));
        // None of them is a container.
        EXPECT_EQ(DetectMailKind(kTnefData + "/" + stem + ".tnef"), MailKind::Tnef);
        EXPECT_TRUE(ListMailContainers(kTnefData + "/" + stem + ".tnef").empty());
    }
}

TEST_F(RealTnef, AContainerInAWinmailDatOfItsOwnExtractsExactly) {
    const std::string payload = Payload("container", 3000);
    for (const auto& [stem, index] : {std::pair<std::string, int>{"two-files", 2}, {"unicode-mapi-attr", 1}}) {
        SCOPED_TRACE(stem);
        const std::string winmail = WithContainer(stem, index, "Bericht März.ozv", payload);
        ClearOut();
        ExpectSaved(Save(winmail), {{"Bericht März.ozv", "winmail.dat attachment " + std::to_string(index), payload}});
    }
}

TEST_F(RealTnef, AWinmailDatPartInsideMessagesIsWalkedInto) {
    const std::string payload = Payload("container", 2000);
    const std::string winmail = WithContainer("two-files", 1, "Angebot.OZV", payload);
    // Outlook's type, and the name alone under a generic type.
    const std::string mail = WriteMbox(
        {Multipart("mixed", {TextPart(), AttachmentPart(winmail, "winmail.dat", "base64", "plain", "application/ms-tnef")}),
         Multipart("mixed", {TextPart(), AttachmentPart(winmail, "WINMAIL.DAT", "quoted-printable", "plain")})});
    ExpectSaved(Save(mail), {{"Angebot.OZV", "message 1, section 2, winmail.dat attachment 1", payload},
                             {"Angebot.OZV", "message 2, section 2, winmail.dat attachment 1", payload}});
}

TEST_F(RealTnef, ADamagedStreamIsRefusedAndLeavesNothingBehind) {
    const std::string broken = (root / "broken.dat").string();
    RunPython(QUELLMARK_REWRITE_TNEF, {"break-length", kTnefData + "/two-files.tnef", broken});
    const std::string cut = MakeFile("cut.dat", ReadFile(kTnefData + "/two-files.tnef").substr(0, 700));
    const std::string good = Payload("good", 100);
    for (const std::string& winmail : {broken, cut}) {
        SCOPED_TRACE(winmail);
        // libytnef's complaints must not land in the program's output.
        const std::string captured = (root / "stdout.txt").string();
        CapturedStandardOutput capture(captured);
        bool refused = false;
        try {
            Save(winmail);
        } catch (const EMailFormat&) {
            refused = true;
        }
        capture.Restore();
        EXPECT_TRUE(refused);
        EXPECT_EQ(ReadFile(captured), "");
        // A container found before the damaged part is removed again.
        const std::string mail = WriteMessage(
            Multipart("mixed", {AttachmentPart(good, "first.ozv"),
                                AttachmentPart(winmail, "winmail.dat", "base64", "plain", "application/ms-tnef")}),
            std::filesystem::path(winmail).filename().string() + ".eml");
        EXPECT_THROW(Save(mail), EMailFormat);
        EXPECT_TRUE(FilesBeneath(out).empty());
    }
}

TEST_F(RealTnef, AWinmailDatTooLargeToHoldIsRefusedUnread) {
    // Sparse: the signature, then 300 MiB the file system never stores.
    const std::string winmail = MakeFile("huge.dat", ReadFile(kTnefData + "/two-files.tnef"));
    std::filesystem::resize_file(winmail, uint64_t{300} << 20);
    try {
        ListMailContainers(winmail);
        ADD_FAILURE() << "no exception";
    } catch (const EMailFormat& e) {
        EXPECT_NE(e.Message().find("256 MiB"), std::string::npos) << e.Message();
    }
}

}  // namespace
}  // namespace quellmark
