#include "cli/ozv.h"

#include <cstdio>
#include <filesystem>

#include "base/exception.h"
#include "base/version.h"
#include "cli/commands.h"
#include "cli/stdin_container.h"

namespace quellmark {

namespace {

const char kHelp[] = R"(ozv - open, make and inspect Quellmark containers (.ozv)

Usage:
  ozv info CONTAINER                algorithm index and name, container and body size
  ozv info CONTAINER -p TEXT        ... and whether the password opens it (exit 3 when not)
  ozv list CONTAINER                one line per file: size, yyyy-mm-dd hh:mm:ss, name
  ozv list -l CONTAINER             ... preceded by the attributes, followed by the
                                    compression and folder (see -l below)
  ozv extract CONTAINER [-d DIR]    unpack into DIR (default: the current directory)
  ozv extract CONTAINER [MEMBER...] [-d DIR | -O] [--overwrite | --keep] [-q | -v]
                                    only the files named or matching shell patterns
                                    ("docs/*"); DIR is made when missing; files already
                                    there are asked about on a terminal and otherwise
                                    refused, unless --overwrite or --keep is given
  ozv test CONTAINER                decipher and unpack every file without keeping any,
                                    checking that each comes out whole
  CONTAINER "-" reads the container from standard input (info, list, extract, test)
  CONTAINER may also be an e-mail message (.eml), an mbox or a winmail.dat: each
                                    container attached to it is handled in turn, in
                                    message order, under a line naming it; one password
                                    serves all. "extract" unpacks one container into DIR,
                                    several each into DIR/NAME (the attachment's name
                                    less ".ozv"; "NAME-2", "NAME-3" for a name taken).
                                    A container that does not open fails the command
                                    (exit 3) after the others were handled
  ozv attachments MAIL [--save DIR [--overwrite]] [--json]
                                    list the containers attached to a message, an mbox
                                    or a winmail.dat: size, name, where in the mail;
                                    --save writes them unchanged into DIR under their
                                    names ("a-2.ozv" for a name taken twice)
  ozv create CONTAINER FILE... [-c CIPHER] [--store] [--mail[=ADDRESS] [--subject TEXT]]
                                    pack files (directories with their contents) into a
                                    cabinet, MSZIP-compressed or stored, and encipher it
                                    into a new container (default cipher: Blowfish);
                                    links are stored as the files they point to,
                                    Unix permissions and empty folders are not kept;
                                    --mail then opens a new message in the user's mail
                                    program with the container attached (xdg-email)
  ozv algorithms                    list the ciphers (index, name, description) and hashes
  ozv hash [-a HASH] [FILE...]      print "<hex digest>  <file>" per file; standard input
                                    when no file is given or for "-"; default RIPEMD-256
  ozv hash [-a HASH] -c LIST        check the "<hex digest>  <file>" lines of LIST, as
                                    sha256sum -c does: "<file>: OK" or "<file>: FAILED"
  ozv hash --list                   every hash with the names it is accepted by
  ozv encrypt -c CIPHER [-m MODE] [--key-hex HEX [--iv-hex HEX]]
  ozv decrypt -c CIPHER [-m MODE] [--key-hex HEX [--iv-hex HEX]]
                                    code standard input to standard output in 4096-byte
                                    chunks; with --key-hex the raw key (and initial
                                    vector) is used, otherwise the password is keyed
                                    through RIPEMD-256.
                                    These are the raw cipher modes: no salt and no
                                    integrity check, so a wrong password is not detected
                                    and gives garbage. Meant for interoperability and
                                    testing, not for protecting new files.

Options (before or after the operands; "--" ends the options):
  -d, --directory DIR      where "ozv extract" unpacks to
  -O, --to-stdout          "ozv extract": write the files' contents to standard output
      --overwrite          "ozv extract", "ozv attachments --save": replace files
                           that exist
      --keep               "ozv extract": leave files that exist as they are
  -q, --quiet              "ozv extract", "ozv test": print nothing but errors
  -v, --verbose            "ozv extract": name each file as it is written (the default;
                           with -O on standard error)
      --store              "ozv create": store the files uncompressed
  -C, --change-dir DIR     "ozv create": find the files after it in DIR (as tar does)
      --mail[=ADDRESS]     "ozv create": then mail the container (to ADDRESS); the
                           address only ever follows "=", so that the word after
                           --mail is always a file to pack
      --subject TEXT       "ozv create --mail": the message's subject
      --save DIR           "ozv attachments": save the containers found into DIR
  -l, --long               "ozv list": per file its attributes (rhsax: read-only,
                           hidden, system, archive, run after extraction; "-" when
                           unset), size, date, time, compression (stored, MSZIP,
                           LZX:WINDOWBITS, Quantum:LEVEL,WINDOWBITS), folder, name
      --json               "ozv info", "ozv list": one JSON object (for mail an array
                           of them, each adding mail and location): container,
                           cipher_index, cipher_name (null when the index names no
                           cipher), deciphered_as, container_size, body_size, and
                           entries (name, size, time as 2024-05-01T12:30:00 in the
                           local time stored, attributes, attribute_bits, folder,
                           compression); "info" with a password adds password_opens,
                           and the entries when it does; a byte of a name that is
                           not UTF-8 is written as U+FFFD; "ozv attachments": an
                           array of name, size, location (and saved_as with --save)
      --ask-password       "ozv info": ask for a password on the terminal and say
                           whether it opens the container
  -c, --cipher CIPHER      a cipher name (display name, short or full class name) or index
  -a, --algorithm HASH     a hash name (display name, short or full class name, or a
                           common spelling such as SHA-1, rmd160, crc32; any case)
  -c, --check LIST         "ozv hash": verify the digests listed in LIST
      --list               "ozv hash": list the hashes and their accepted names
  -m, --mode MODE          cts (default), cbc, cfb, ofb, ecb, ctsmac, cbcmac, cfbmac
  -p, --password TEXT      the password (visible to other users in the process list)
      --password-file FILE read the password from the first line of FILE ("-": standard input)
      --codepage NAME      key the password in this code page (default CP1252, as on Windows)
  -h, --help               show this help
      --version            show the version

The password comes from -p, --password-file, the environment variable OZV_PASSWORD,
or a prompt on the terminal, in that order.
"ozv info" tries a password only when one is given (-p, --password-file,
OZV_PASSWORD or --ask-password) and never prompts otherwise.

Exit status: 0 success, 1 failure, 2 usage error,
             3 wrong password, damaged container or not a container;
             for mail also: mail that cannot be read, or no container in it.
)";

int Dispatch(const Invocation& inv) {
    if (inv.command == "algorithms") return CommandAlgorithms(inv);
    if (inv.command == "hash") return CommandHash(inv);
    if (inv.command == "encrypt") return CommandCode(inv, true);
    if (inv.command == "decrypt") return CommandCode(inv, false);
    if (inv.command == "info") return CommandInfo(inv);
    if (inv.command == "list") return CommandList(inv);
    if (inv.command == "extract") return CommandExtract(inv);
    if (inv.command == "test") return CommandTest(inv);
    if (inv.command == "create") return CommandCreate(inv);
    if (inv.command == "attachments") return CommandAttachments(inv);
    throw UsageError{"unknown command \"" + inv.command + "\""};
}

}  // namespace

int RunOzv(const std::vector<std::string>& args) {
    try {
        Invocation inv = ParseCommandLine(args);
        if (inv.Has("help")) {
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
        if (inv.Has("version")) {
            std::printf("ozv (Quellmark) %s\n", quellmark::kVersion);
            return kExitOk;
        }
        if (inv.command.empty()) throw UsageError{"no command given"};
        // A container read from standard input ("-") is removed when the command ends.
        SpooledInputScope spooledInput;
        return Dispatch(inv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "ozv: %s\nTry \"ozv --help\" for more information.\n", e.message.c_str());
        return kExitUsage;
    } catch (const EBadContainer& e) {
        std::fprintf(stderr, "ozv: %s\n", e.Message().c_str());
        return kExitBadContainer;
    } catch (const Exception& e) {
        std::fprintf(stderr, "ozv: %s\n", e.Message().c_str());
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "ozv: out of memory\n");
        return kExitFailure;
    }
}

int ReportEscapes(const std::function<int()>& run) {
    try {
        return run();
    } catch (const std::filesystem::filesystem_error& e) {
        // A file-system call that was expected to succeed: name the file and the reason.
        const std::string path = e.path1().empty() ? "" : " \"" + e.path1().string() + "\"";
        std::fprintf(stderr, "ozv: unexpected failure with%s: %s\n", path.empty() ? " a file" : path.c_str(),
                     e.code().message().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ozv: unexpected failure: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "ozv: unexpected failure\n");
    }
    return kExitFailure;
}

int OzvMain(const std::vector<std::string>& args) {
    return ReportEscapes([&args] { return RunOzv(args); });
}

}  // namespace quellmark
