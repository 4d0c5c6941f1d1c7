// ozv and containers that arrive by e-mail: info, list, extract and test on
// saved messages and mbox files, ozv attachments, and create --mail handing
// the container to a mail program through xdg-email.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli/mail_input.h"
#include "mail_writer.h"
#include "run_process.h"
#include "temp_dir.h"
#include "test_support.h"
#include "xdg_world.h"

namespace quellmark {

namespace {

namespace fs = std::filesystem;

class OzvMailTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fs::create_directories(Path("tmp"));
        env = {{"OZV_PASSWORD", "pw"}, {"TMPDIR", Path("tmp")}};
        MakeFile("src/a.txt", "alpha");
        MakeFile("src/b.txt", "beta");
        MakeFile("src/c.txt", "gamma");
        MakeContainer("a.ozv", "a.txt", "pw");
        MakeContainer("b.ozv", "b.txt", "pw");
        MakeContainer("c.ozv", "c.txt", "pw");
        MakeContainer("other.ozv", "a.txt", "another password");
    }

    std::string Path(const std::string& relative) const { return (root / relative).string(); }

    void MakeContainer(const std::string& name, const std::string& member, const std::string& password) {
        ProcessResult made = RunOzvProcess({"create", Path(name), "-C", Path("src"), member, "-p", password});
        ASSERT_EQ(made.status, 0) << made.err;
    }

    // A message of a line of text and `attachments`, written by Python's email package.
    std::string MakeMessage(const std::string& name, const std::vector<std::string>& attachments) {
        return WriteMail(Path(name), {TextWith(attachments)});
    }
    // The container `file` attached as `name`.
    std::string Attach(const std::string& file, const std::string& name, const std::string& encoding = "base64") const {
        return AttachmentPart(Path(file), name, encoding);
    }

    ProcessResult Run(const std::vector<std::string>& args, const std::string& input = {}) const {
        return RunOzvProcess(args, input, env);
    }

    // Every file beneath the test's directory outside `except` and the
    // temporary files: what a run must leave as it was.
    std::vector<std::string> FilesOutside(const std::string& except) const {
        std::vector<std::string> files;
        for (const auto& file : FilesBeneath(root.string()))
            if (file.rfind(except + "/", 0) != 0 && file.rfind("tmp/", 0) != 0) files.push_back(file);
        return files;
    }
    void ExpectNoTemporaryFiles() const { EXPECT_TRUE(fs::is_empty(Path("tmp"))) << "a temporary file stayed"; }

    std::map<std::string, std::string> env;
};

TEST_F(OzvMailTest, TheOneContainerOfAnMboxExtractsIntoTheDestinationItself) {
    // Three messages, the container in the second only.
    const std::string box =
        WriteMail(Path("box.mbox"), {TextWith({}), TextWith({Attach("b.ozv", "b.ozv")}), TextWith({})});
    const std::vector<std::string> before = FilesOutside("out");
    const std::string out = Path("out");
    ProcessResult extracted = Run({"extract", box, "-d", out});
    EXPECT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(FilesBeneath(out), std::vector<std::string>{"b.txt"});
    EXPECT_EQ(ReadFile(out + "/b.txt"), "beta");
    EXPECT_EQ(FilesOutside("out"), before) << "something was written outside the destination";

    ProcessResult tested = Run({"test", box});
    EXPECT_EQ(tested.status, 0) << tested.err;
    EXPECT_TRUE(Says(tested.out, Quoted("b.ozv") + " (message 2, section 2 of " + Quoted(box) + "):\nOK  b.txt"))
        << tested.out;
    ExpectNoTemporaryFiles();
}

TEST_F(OzvMailTest, SeveralContainersGoEachIntoAFolderOfTheirOwn) {
    // First a forwarded message holding a container under a name that is not
    // ASCII (RFC 2231-encoded); then the same name twice, one of them
    // quoted-printable; then a name in capitals that would reach outside.
    const std::string forwardedName = "Rechnung f\xc3\xbcr M\xc3\xa4rz.ozv";
    const std::string mail = MakeMessage(
        "m.eml", {Forwarded(TextWith({Attach("c.ozv", forwardedName)})), Attach("a.ozv", "report.ozv"),
                  Attach("b.ozv", "report.ozv", "quoted-printable"), Attach("c.ozv", "../../Escape.OZV")});
    const std::vector<std::string> before = FilesOutside("out");
    const std::string out = Path("out");
    ProcessResult extracted = Run({"extract", mail, "-d", out});
    EXPECT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(FilesBeneath(out), (std::vector<std::string>{"Escape/c.txt", "Rechnung f\xc3\xbcr M\xc3\xa4rz/c.txt",
                                                           "report-2/b.txt", "report/a.txt"}));
    EXPECT_EQ(ReadFile(out + "/report/a.txt"), "alpha");
    EXPECT_EQ(ReadFile(out + "/report-2/b.txt"), "beta");
    EXPECT_EQ(ReadFile(out + "/Escape/c.txt"), "gamma");
    // In message order: the forwarded message first.
    EXPECT_LT(extracted.out.find(Quoted(forwardedName) + " (section 2.2 of"), extracted.out.find(Quoted("report.ozv")))
        << extracted.out;
    EXPECT_EQ(FilesOutside("out"), before) << "something was written outside the destination";
    ExpectNoTemporaryFiles();

    // Extracting again: the files are there, so nothing is written without --overwrite.
    MakeFile("out/report-2/b.txt", "my edits");
    ProcessResult refused = Run({"extract", mail, "-d", out});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(Says(refused.err, Quoted(out + "/Rechnung f\xc3\xbcr M\xc3\xa4rz/c.txt") + " already exists"))
        << refused.err;
    EXPECT_EQ(ReadFile(out + "/report-2/b.txt"), "my edits");
    ProcessResult kept = Run({"extract", mail, "-d", out, "--keep"});
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_EQ(ReadFile(out + "/report-2/b.txt"), "my edits");
    ProcessResult replaced = Run({"extract", mail, "-d", out, "--overwrite"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(ReadFile(out + "/report-2/b.txt"), "beta");

    // A link where a container's folder goes is not followed out of the destination.
    fs::remove_all(out + "/Escape");
    fs::create_directory(Path("elsewhere"));
    fs::create_directory_symlink(Path("elsewhere"), out + "/Escape");
    ProcessResult linked = Run({"extract", mail, "-d", out, "--overwrite"});
    EXPECT_EQ(linked.status, 1);
    EXPECT_TRUE(Says(linked.err, Quoted(out + "/Escape") + " is in the way")) << linked.err;
    EXPECT_TRUE(fs::is_empty(Path("elsewhere")));
}

TEST_F(OzvMailTest, MembersPatternsAndStandardOutputWorkAcrossContainers) {
    const std::string mail = MakeMessage("m.eml", {Attach("a.ozv", "a.ozv"), Attach("b.ozv", "b.ozv")});
    // A member needs to be in one of the containers only.
    const std::string out = Path("out");
    ProcessResult one = Run({"extract", mail, "b.*", "-d", out});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(FilesBeneath(out), std::vector<std::string>{"b/b.txt"});

    ProcessResult none = Run({"extract", mail, "nothing.txt", "-d", Path("out2")});
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(Says(none.err, Quoted("nothing.txt"))) << none.err;
    EXPECT_FALSE(fs::exists(Path("out2")));

    ProcessResult piped = Run({"extract", mail, "-O"});
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, "alphabeta") << "the headings go to standard error, not among the files' bytes";
    EXPECT_TRUE(Says(piped.err, Quoted("b.ozv") + " (section 3 of")) << piped.err;

    // A message on standard input.
    ProcessResult fromStdin = Run({"extract", "-", "-d", Path("out3")}, ReadFile(mail));
    EXPECT_EQ(fromStdin.status, 0) << fromStdin.err;
    EXPECT_EQ(FilesBeneath(Path("out3")), (std::vector<std::string>{"a/a.txt", "b/b.txt"}));
    EXPECT_TRUE(Says(fromStdin.out, "(section 2 of standard input):")) << fromStdin.out;
    ExpectNoTemporaryFiles();
}

TEST_F(OzvMailTest, AContainerThePasswordDoesNotOpenFailsTheCommandAfterTheOthers) {
    const std::string mail = MakeMessage("m.eml", {Attach("other.ozv", "locked.ozv"), Attach("b.ozv", "b.ozv")});
    const std::string out = Path("out");
    ProcessResult extracted = Run({"extract", mail, "-d", out});
    EXPECT_EQ(extracted.status, 3);
    EXPECT_EQ(FilesBeneath(out), std::vector<std::string>{"b/b.txt"}) << "the container after it was still extracted";
    EXPECT_EQ(ReadFile(out + "/b/b.txt"), "beta");
    EXPECT_TRUE(Says(extracted.err, "1 of 2 containers in " + Quoted(mail) + " failed: " + Quoted("locked.ozv")))
        << extracted.err;
    EXPECT_TRUE(Says(extracted.err, "password is wrong")) << extracted.err;

    for (const std::string command : {"list", "test", "info"}) {
        ProcessResult result = Run({command, mail});
        EXPECT_EQ(result.status, 3) << command;
        EXPECT_TRUE(Says(result.out, "b.txt") || command == "info") << command << ": " << result.out;
        EXPECT_TRUE(Says(result.err, Quoted("locked.ozv"))) << command << ": " << result.err;
    }

    // When no container opens, not even the destination is made.
    const std::string locked = MakeMessage("locked.eml", {Attach("other.ozv", "locked.ozv")});
    EXPECT_EQ(Run({"extract", locked, "-d", Path("none")}).status, 3);
    EXPECT_FALSE(fs::exists(Path("none")));
    ExpectNoTemporaryFiles();
}

TEST_F(OzvMailTest, JsonIsAnArrayForMailAndUnchangedForAContainer) {
    const std::string mail = MakeMessage("m.eml", {Attach("a.ozv", "a.ozv"), Attach("b.ozv", "b.ozv")});
    ProcessResult listed = Run({"list", mail, "--json"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.substr(0, 2), "[\n");
    EXPECT_TRUE(Says(listed.out, "{\"container\": \"b.ozv\", \"mail\": " + Quoted(mail) + ", \"location\": \"section 3\"")) << listed.out;
    EXPECT_TRUE(Says(listed.out, "\"name\": \"b.txt\"")) << listed.out;

    ProcessResult bare = Run({"list", Path("a.ozv"), "--json"});
    EXPECT_EQ(bare.status, 0) << bare.err;
    EXPECT_EQ(bare.out.substr(0, 14), "{\"container\": ");
    EXPECT_FALSE(Says(bare.out, "\"mail\"")) << bare.out;
}

TEST_F(OzvMailTest, BadMailEndsWithAClearMessageAndNothingWritten) {
    MakeFile("deep.eml", NestedMultiparts(10000));

    // A base64 body with lines broken by characters that are no base64.
    std::string base64 = ReadFile(MakeMessage("good.eml", {Attach("a.ozv", "a.ozv")}));
    const std::size_t body = base64.find("\n\n", base64.find("a.ozv"));
    ASSERT_NE(body, std::string::npos);
    base64.insert(body + 2 + 30, "!!*\r\n@@");
    base64.insert(body + 2 + 100, "\r\n====\r\n#");
    MakeFile("broken.eml", base64);

    MakeFile("garbage.eml", "From: anna@example.org\nContent-Type: multipart/mixed; boundary=\n\n\x01\xff--\n--\n");
    MakeMessage("none.eml", {});

    const std::vector<std::string> before = FilesOutside("out");
    for (const std::string name : {"deep.eml", "broken.eml", "garbage.eml", "none.eml"}) {
        SCOPED_TRACE(name);
        for (const std::string command : {"extract", "attachments"}) {
            // Broken lines still leave an attachment to list and save: only
            // opening it finds the damage.
            if (name == "broken.eml" && command == "attachments") continue;
            ProcessResult result = Run({command, Path(name), command == "extract" ? "-d" : "--save", Path("out")});
            EXPECT_EQ(result.status, 3) << result.err;
            EXPECT_TRUE(Says(result.err, Quoted(Path(name)))) << "the message names the mail: " << result.err;
            EXPECT_FALSE(fs::exists(Path("out")));
        }
    }
    EXPECT_TRUE(Says(Run({"list", Path("none.eml")}).err,
                     "no container (.ozv attachment) found in " + Quoted(Path("none.eml"))));
    EXPECT_TRUE(Says(Run({"list", Path("deep.eml")}).err, "cannot read the mail in " + Quoted(Path("deep.eml"))));
    EXPECT_EQ(FilesOutside("out"), before);
    ExpectNoTemporaryFiles();
}

TEST_F(OzvMailTest, AttachmentsAreListedAndSavedUnchanged) {
    const std::string mail = MakeMessage(
        "m.eml", {Attach("a.ozv", "report.ozv"), Attach("b.ozv", "report.ozv"), Attach("c.ozv", "../../up/c.ozv")});
    ProcessResult listed = Run({"attachments", mail});
    EXPECT_EQ(listed.status, 0) << listed.err;
    const std::string aSize = std::to_string(fs::file_size(Path("a.ozv")));
    EXPECT_TRUE(Says(listed.out, aSize + "  report.ozv  (section 2)\n")) << listed.out;
    EXPECT_TRUE(Says(listed.out, "  ../../up/c.ozv  (section 4)\n")) << listed.out;
    EXPECT_FALSE(fs::exists(Path("saved")));

    const std::vector<std::string> before = FilesOutside("saved");
    const std::string saved = Path("saved");
    ProcessResult save = Run({"attachments", mail, "--save", saved});
    EXPECT_EQ(save.status, 0) << save.err;
    EXPECT_EQ(FilesBeneath(saved), (std::vector<std::string>{"c.ozv", "report-2.ozv", "report.ozv"}));
    EXPECT_EQ(ReadFile(saved + "/report.ozv"), ReadFile(Path("a.ozv")));
    EXPECT_EQ(ReadFile(saved + "/report-2.ozv"), ReadFile(Path("b.ozv")));
    EXPECT_EQ(ReadFile(saved + "/c.ozv"), ReadFile(Path("c.ozv")));
    EXPECT_EQ(FilesOutside("saved"), before) << "something was written outside the directory";
    // The saved copies are the user's files, no longer private scratch copies.
    EXPECT_NE(fs::status(saved + "/c.ozv").permissions() & fs::perms::group_read, fs::perms::none);

    // An existing file is never replaced without --overwrite, and then nothing is saved.
    fs::remove(saved + "/report.ozv");
    fs::remove(saved + "/c.ozv");
    MakeFile("saved/report-2.ozv", "mine");
    ProcessResult refused = Run({"attachments", mail, "--save", saved});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(Says(refused.err, Quoted(saved + "/report-2.ozv") + " already exists")) << refused.err;
    EXPECT_EQ(FilesBeneath(saved), std::vector<std::string>{"report-2.ozv"});
    EXPECT_EQ(ReadFile(saved + "/report-2.ozv"), "mine");
    ProcessResult replaced = Run({"attachments", mail, "--save", saved, "--overwrite"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(ReadFile(saved + "/report-2.ozv"), ReadFile(Path("b.ozv")));

    ProcessResult json = Run({"attachments", mail, "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(Says(json.out, "{\"name\": \"../../up/c.ozv\", \"size\": " +
                                   std::to_string(fs::file_size(Path("c.ozv"))) + ", \"location\": \"section 4\"}"))
        << json.out;

    // A container is not mail.
    ProcessResult notMail = Run({"attachments", Path("a.ozv")});
    EXPECT_EQ(notMail.status, 3);
    EXPECT_TRUE(Says(notMail.err, "not an e-mail message")) << notMail.err;
    ExpectNoTemporaryFiles();
}

TEST_F(OzvMailTest, ContainersInARealWinmailDatExtract) {
    // A winmail.dat from another TNEF reader's tests, its two attachments
    // turned into containers; the password opens only the second.
    const std::string real = std::string(QUELLMARK_TEST_DATA_DIR) + "/tnef/two-files.tnef";
    const std::string first = Path("first.dat"), winmail = Path("winmail.dat");
    RunPython(QUELLMARK_REWRITE_TNEF, {"rename", real, first, "1", "locked.ozv", Path("other.ozv")});
    RunPython(QUELLMARK_REWRITE_TNEF, {"rename", first, winmail, "2", "b.ozv", Path("b.ozv")});
    ProcessResult listed = Run({"attachments", winmail});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_TRUE(Says(listed.out, std::to_string(fs::file_size(Path("b.ozv"))) + "  b.ozv  (winmail.dat attachment 2)"))
        << listed.out;

    const std::string out = Path("out");
    ProcessResult extracted = Run({"extract", winmail, "-d", out});
    EXPECT_EQ(extracted.status, 3);
    EXPECT_EQ(FilesBeneath(out), std::vector<std::string>{"b/b.txt"});
    EXPECT_EQ(ReadFile(out + "/b/b.txt"), "beta");
    EXPECT_TRUE(Says(extracted.err, Quoted("locked.ozv") + " (winmail.dat attachment 1 of " + Quoted(winmail)))
        << extracted.err;

    // A length that runs past the end of the stream.
    RunPython(QUELLMARK_REWRITE_TNEF, {"break-length", winmail, Path("broken.dat")});
    ProcessResult broken = Run({"extract", Path("broken.dat"), "-d", Path("out2")});
    EXPECT_EQ(broken.status, 3);
    EXPECT_TRUE(Says(broken.err, Quoted(Path("broken.dat")))) << broken.err;
    EXPECT_FALSE(fs::exists(Path("out2")));
    ExpectNoTemporaryFiles();
}

// A mail program of its own for each test: a desktop entry for mailto links
// in a private XDG_DATA_HOME, chosen in a private mimeapps.list, whose
// program writes its arguments into a file. No desktop of the machine's
// leaks in, so xdg-email takes its generic way through xdg-open.
class OzvCreateMailTest : public OzvMailTest {
protected:
    void SetUp() override {
        OzvMailTest::SetUp();
        // Written under another name and renamed, so that the file is whole once it is there.
        recorder = MakeFile("bin/record-mail",
                            "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$RECORD\".part\n"
                            "mv \"$RECORD\".part \"$RECORD\"\n");
        fs::permissions(recorder, fs::perms::owner_all);
        MakeFile("home/.local/share/applications/recorder.desktop",
                 "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + recorder +
                     " %u\nMimeType=x-scheme-handler/mailto;\n");
        MakeFile("home/.config/mimeapps.list", "[Default Applications]\nx-scheme-handler/mailto=recorder.desktop\n");
        env.merge(XdgFolders(root));
        const std::map<std::string, std::string> world = {
            {"PATH", Path("bin") + ":/usr/bin:/bin"},
            {"RECORD", Path("recorded")},
            // xdg-open looks for a handler only where it believes there is a display.
            {"DISPLAY", ":fixture"},
            {"WAYLAND_DISPLAY", ""},
            // Whatever desktop the tests run in stays out.
            {"XDG_CURRENT_DESKTOP", ""},
            {"XDG_SESSION_DESKTOP", ""},
            {"DESKTOP_SESSION", ""},
            {"KDE_FULL_SESSION", ""},
            {"KDE_SESSION_VERSION", ""},
            {"GNOME_DESKTOP_SESSION_ID", ""},
            {"MATE_DESKTOP_SESSION_ID", ""},
            {"LXQT_SESSION_CONFIG", ""},
            {"DESKTOP", ""},
            {"DBUS_SESSION_BUS_ADDRESS", "disabled:"},
            // Should the handler be missed, no browser is started in its place.
            {"BROWSER", "false"},
        };
        env.insert(world.begin(), world.end());
    }

    // The lines the fixture's mail program was started with. A program
    // started by xdg-open may still be on its way when xdg-email returns.
    std::vector<std::string> Recorded() const {
        for (int i = 0; i < 200 && !fs::exists(Path("recorded")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::vector<std::string> lines;
        std::ifstream in(Path("recorded"));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::string recorder;
};

// `text` with every %XX replaced by its byte, as a mailto address carries it.
std::string PercentDecoded(const std::string& text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            plain += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            plain += text[i];
        }
    }
    return plain;
}

TEST_F(OzvCreateMailTest, TheNewContainerArrivesAsTheAttachment) {
    fs::create_directory(Path("sent mail"));
    const std::string container = Path("sent mail/Rechnung & Co.ozv");
    ProcessResult created = Run({"create", container, "-C", Path("src"), "a.txt", "--mail=someone@example.org",
                                 "--subject", "Gr\xc3\xbc\xc3\x9f" "e"});
    ASSERT_EQ(created.status, 0) << created.err;
    const std::vector<std::string> sent = Recorded();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(PercentDecoded(sent[0]),
              "mailto:someone@example.org?subject=Gr\xc3\xbc\xc3\x9f" "e&attach=" + container);
    // What was attached is the container, whole.
    ProcessResult listed = Run({"list", container});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_TRUE(Says(listed.out, "a.txt")) << listed.out;

    // Without an address or subject; a relative name arrives made absolute.
    fs::remove(Path("recorded"));
    const fs::path here = fs::current_path();
    fs::current_path(root);  // the new container's relative name lies in the test's own folder
    ProcessResult bare = RunOzvProcess({"create", "sent2.ozv", "-C", Path("src"), "b.txt", "--mail"}, "", env);
    fs::current_path(here);
    ASSERT_EQ(bare.status, 0) << bare.err;
    const std::vector<std::string> recorded = Recorded();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_TRUE(recorded[0].rfind("mailto:?attach=/", 0) == 0) << recorded[0];
    EXPECT_TRUE(Says(recorded[0], Path("sent2.ozv"))) << recorded[0];
}

TEST_F(OzvCreateMailTest, WithoutXdgEmailTheContainerIsStillWrittenAndTheUserTold) {
    env["PATH"] = Path("bin");  // the recorder, but no xdg-email
    const std::string container = Path("sent.ozv");
    ProcessResult created = Run({"create", container, "-C", Path("src"), "a.txt", "--mail=someone@example.org"});
    EXPECT_EQ(created.status, 1);
    EXPECT_TRUE(Says(created.err, "xdg-email was not found")) << created.err;
    EXPECT_TRUE(Says(created.err, Quoted(container) + " was written all the same")) << created.err;
    EXPECT_EQ(Run({"test", container}).status, 0);
}

TEST_F(OzvCreateMailTest, TheAddressIsOnlyEverTakenAfterTheEqualsSign) {
    // "--mail ADDRESS" leaves ADDRESS a file to pack; one that does not exist
    // is pointed out before anything is written.
    ProcessResult spaced = Run({"create", Path("x.ozv"), "-C", Path("src"), "a.txt", "--mail", "bob@example.org"});
    EXPECT_EQ(spaced.status, 2);
    EXPECT_TRUE(Says(spaced.err, "--mail=bob@example.org")) << spaced.err;
    EXPECT_FALSE(fs::exists(Path("x.ozv")));
    // A file whose name holds "@" is packed as any file.
    MakeFile("src/me@home.txt", "at");
    ProcessResult file = Run({"create", Path("y.ozv"), "-C", Path("src"), "me@home.txt", "--mail"});
    EXPECT_EQ(file.status, 0) << file.err;
    EXPECT_TRUE(Says(Run({"list", Path("y.ozv")}).out, "me@home.txt"));

    EXPECT_EQ(Run({"create", Path("z.ozv"), "-C", Path("src"), "a.txt", "--subject", "S"}).status, 2);
    ProcessResult option = Run({"create", Path("z.ozv"), "-C", Path("src"), "a.txt", "--mail=--help"});
    EXPECT_EQ(option.status, 2) << "an address xdg-email would take for an option";
    EXPECT_FALSE(fs::exists(Path("z.ozv")));
    EXPECT_EQ(Run({"list", Path("a.ozv"), "--mail=x@example.org"}).status, 2);
}

// The folder and file names chosen for attachments, which the commands
// above see only through the files they write.
TEST(MailNames, NamesTakenTwiceAreNumberedAndNoneLeavesTheDirectory) {
    EXPECT_EQ(ExtractFolderNames({"a.ozv", "a.OZV", "a", "a-2.ozv", "x/../a.ozv"}),
              (std::vector<std::string>{"a", "a-2", "a-3", "a-2-2", "a-4"}));
    for (const std::string& folder : ExtractFolderNames({".ozv", "..ozv", "...ozv", "../..", "/", ""}))
        EXPECT_TRUE(folder.rfind("attachment", 0) == 0) << folder;
    EXPECT_EQ(SavedFileNames({"r.ozv", "r.ozv", "dir/r.ozv", ".hidden", ".hidden", "noext", "noext"}),
              (std::vector<std::string>{"r.ozv", "r-2.ozv", "r-3.ozv", ".hidden", ".hidden-2", "noext", "noext-2"}));
    EXPECT_EQ(PrintableName("a\nb\x1b[31m.ozv"), "a?b?[31m.ozv");
}

}  // namespace

}  // namespace quellmark
