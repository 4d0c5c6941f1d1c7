#include "mail/mail_walk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "mail/attachment_names.h"
#include "mail/gmime_library.h"
#include "mail/mime_walk.h"
#include "mail/tnef_walk.h"

namespace quellmark {

namespace {

// libytnef parses a TNEF stream whole in memory (and refuses any one
// attachment above 50 MiB); a larger stream is refused before it is read.
constexpr uint64_t kMaxTnefSize = uint64_t{256} << 20;

std::string TooLargeTnef() {
    return "The winmail.dat is larger than the 256 MiB it may be";
}

std::string ReadFailure(const std::string& path, int error) {
    return "Cannot read " + path + ": " + std::strerror(error);
}

// The mail as a GMime stream over its file descriptor: the parser keeps
// offsets into it instead of copying bodies into memory.
GOwned<GMimeStream> OpenMailStream(const std::string& path, uint64_t& size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw EFOpenError(ReadFailure(path, errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int error = errno;
        ::close(fd);
        throw EFOpenError(status.st_mode == 0 ? ReadFailure(path, error) : path + " is not a regular file");
    }
    size = static_cast<uint64_t>(status.st_size);
    return GOwned<GMimeStream>(g_mime_stream_fs_new(fd));
}

std::string ReadTnefFile(const std::string& path) {
    uint64_t size = 0;
    GOwned<GMimeStream> stream = OpenMailStream(path, size);
    if (size > kMaxTnefSize) throw EMailFormat(TooLargeTnef());
    std::string bytes(size, '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = g_mime_stream_read(stream.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) throw EReadError(ReadFailure(path, errno));
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

std::string MimeTypeOf(GMimeObject* object) {
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (type == nullptr) return {};
    const char* media = g_mime_content_type_get_media_type(type);
    const char* subtype = g_mime_content_type_get_media_subtype(type);
    return std::string(media ? media : "") + "/" + (subtype ? subtype : "");
}

bool IsTnefPart(GMimePart* part, const std::string& name) {
    GMimeContentType* type = g_mime_object_get_content_type(GMIME_OBJECT(part));
    const bool tnefType = type != nullptr && (g_mime_content_type_is_type(type, "application", "ms-tnef") ||
                                              g_mime_content_type_is_type(type, "application", "vnd.ms-tnef"));
    return tnefType || IsWinmailName(name);
}

// The end of a part's body in the mail file, for progress.
uint64_t EndOfContent(GMimeDataWrapper* content) {
    GMimeStream* stream = g_mime_data_wrapper_get_stream(content);
    return stream != nullptr && stream->bound_end > 0 ? static_cast<uint64_t>(stream->bound_end) : 0;
}

}  // namespace

MailWalk::MailWalk(std::string mailPath, ContainerSink& sink, MailProgress progress)
    : mailPath_(std::move(mailPath)), sink_(sink), progress_(std::move(progress)) {}

std::vector<MailContainer> MailWalk::Run() {
    EnsureGMime();
    const MailKind kind = DetectMailKind(mailPath_);
    switch (kind) {
        case MailKind::Message:
        case MailKind::Mbox:
            WalkMimeFile(kind);
            break;
        case MailKind::Tnef: {
            std::string bytes = ReadTnefFile(mailPath_);
            total_ = bytes.size();
            WalkTnef(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), "");
            break;
        }
        case MailKind::None:
            // A file that cannot be opened says so rather than "not mail".
            OpenMailStream(mailPath_, total_);
            throw EMailFormat(mailPath_ + " is not a message, an mbox file or a winmail.dat");
    }
    Report(total_);
    return std::move(found_);
}

void MailWalk::WalkMimeFile(MailKind kind) {
    GOwned<GMimeStream> stream = OpenMailStream(mailPath_, total_);
    Report(0);
    GOwned<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_persist_stream(parser.get(), TRUE);
    g_mime_parser_set_format(parser.get(), kind == MailKind::Mbox ? GMIME_FORMAT_MBOX : GMIME_FORMAT_MESSAGE);
    int number = 0;
    do {
        GOwned<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
        if (!message) {
            if (number == 0) throw EMailFormat(mailPath_ + " is not a readable message");
            break;
        }
        ++number;
        WalkMessage(message.get(), kind == MailKind::Mbox ? "message " + std::to_string(number) + ", " : "");
        Report(static_cast<uint64_t>(std::max<gint64>(g_mime_parser_tell(parser.get()), 0)));
    } while (kind == MailKind::Mbox && !g_mime_parser_eos(parser.get()));
}

void MailWalk::WalkMessage(GMimeMessage* message, const std::string& lead) {
    ForEachLeafPart(message, [&](GMimePart* part, const std::string& number) {
        TakePart(part, lead + "section " + number);
    });
}

void MailWalk::TakePart(GMimePart* part, const std::string& location) {
    const char* given = g_mime_part_get_filename(part);
    const std::string name = given ? given : "";
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (content == nullptr) return;
    if (IsContainerAttachment(name, MimeTypeOf(GMIME_OBJECT(part)))) {
        Add(name, sink_.Decode(content), location);
        Report(EndOfContent(content));
    } else if (IsTnefPart(part, name)) {
        // Measured first, so that only a TNEF part of a sane size is ever
        // decoded into memory.
        GOwned<GMimeStream> counter(g_mime_stream_null_new());
        if (g_mime_data_wrapper_write_to_stream(content, counter.get()) < 0)
            throw EReadError(ReadFailure(mailPath_, errno));
        if (GMIME_STREAM_NULL(counter.get())->written > kMaxTnefSize) throw EMailFormat(TooLargeTnef());
        GOwned<GMimeStream> memory(g_mime_stream_mem_new());
        if (g_mime_data_wrapper_write_to_stream(content, memory.get()) < 0)
            throw EReadError(ReadFailure(mailPath_, errno));
        GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.get()));
        // A part called winmail.dat that holds something else is just an
        // attachment that is not a container.
        if (StartsWithTnefSignature(reinterpret_cast<const char*>(bytes->data), bytes->len))
            WalkTnef(bytes->data, bytes->len, location + ", ");
        Report(EndOfContent(content));
    }
}

void MailWalk::WalkTnef(unsigned char* data, size_t size, const std::string& lead) {
    int number = 0;
    ForEachTnefAttachment(data, size, [&](const TnefAttachment& attachment) {
        ++number;
        if (!IsContainerAttachment(attachment.name, attachment.mimeType)) return;
        Add(attachment.name, sink_.Store(attachment.data, attachment.size),
            lead + "winmail.dat attachment " + std::to_string(number));
    });
}

void MailWalk::Add(const std::string& name, const DecodedCopy& copy, const std::string& location) {
    MailContainer container;
    container.name = name.empty() ? NameForUnnamedContainer(static_cast<int>(found_.size()) + 1) : name;
    container.size = copy.size;
    container.location = location;
    container.path = copy.path;
    found_.push_back(std::move(container));
}

void MailWalk::Report(uint64_t done) {
    if (progress_) progress_(std::min(done, total_), total_);
}

}  // namespace quellmark
