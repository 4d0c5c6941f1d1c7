// Containers in messages that GMime itself writes.
#include <gmime/gmime.h>

#include <filesystem>

#include "mail_fixture.h"

namespace quellmark {
namespace {

class GMimeWritten : public MailTest {
protected:
    static void SetUpTestSuite() { g_mime_init(); }

    GMimePart* Attachment(const std::string& payload, const std::string& name, GMimeContentEncoding encoding) {
        const std::string bytes = ReadFile(payload);
        GMimePart* part = g_mime_part_new_with_type("application", "octet-stream");
        GMimeStream* stream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
        GMimeDataWrapper* content = g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT);
        g_mime_part_set_content(part, content);
        g_object_unref(content);
        g_object_unref(stream);
        g_mime_part_set_content_encoding(part, encoding);
        g_mime_part_set_filename(part, name.c_str());
        return part;
    }

    GMimeMessage* Message(GMimeObject* body) {
        GMimeMessage* message = g_mime_message_new(TRUE);
        g_mime_message_add_mailbox(message, GMIME_ADDRESS_TYPE_FROM, "Sender", "sender@example.org");
        g_mime_message_set_subject(message, "Containers", nullptr);
        g_mime_message_set_mime_part(message, body);
        g_object_unref(body);
        return message;
    }

    std::string Write(GMimeMessage* message, const std::string& file) {
        const std::string path = (root / file).string();
        GMimeStream* stream = g_mime_stream_file_open(path.c_str(), "wb", nullptr);
        EXPECT_NE(stream, nullptr);
        EXPECT_GT(g_mime_object_write_to_stream(GMIME_OBJECT(message), nullptr, stream), 0);
        g_mime_stream_flush(stream);
        g_object_unref(stream);
        g_object_unref(message);
        return path;
    }
};

TEST_F(GMimeWritten, EachEncodingWithANonAsciiNameInsideAForwardedMessage) {
    const struct {
        GMimeContentEncoding encoding;
        const char* label;
    } encodings[] = {{GMIME_CONTENT_ENCODING_BASE64, "base64"},
                     {GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE, "quoted-printable"},
                     {GMIME_CONTENT_ENCODING_UUENCODE, "x-uuencode"}};
    for (const auto& each : encodings) {
        SCOPED_TRACE(each.label);
        const std::string outer = Payload(std::string("outer-") + each.label, 6000);
        const std::string inner = Payload(std::string("inner-") + each.label, 2500);

        GMimeMultipart* forwardedBody = g_mime_multipart_new_with_subtype("mixed");
        GMimePart* innerPart = Attachment(inner, "Größe ½.ozv", each.encoding);
        g_mime_multipart_add(forwardedBody, GMIME_OBJECT(innerPart));
        g_object_unref(innerPart);
        GMimeMessagePart* forwarded = g_mime_message_part_new_with_message("rfc822", Message(GMIME_OBJECT(forwardedBody)));
        // g_mime_message_part_new_with_message took its own reference.
        g_object_unref(g_mime_message_part_get_message(forwarded));

        GMimeMultipart* body = g_mime_multipart_new_with_subtype("mixed");
        GMimePart* outerPart = Attachment(outer, "Ωmega.Ozv", each.encoding);
        g_mime_multipart_add(body, GMIME_OBJECT(outerPart));
        g_object_unref(outerPart);
        g_mime_multipart_add(body, GMIME_OBJECT(forwarded));
        g_object_unref(forwarded);
        const std::string mail = Write(Message(GMIME_OBJECT(body)), std::string(each.label) + ".eml");

        ClearOut();
        ExpectSaved(Save(mail), {{"Ωmega.Ozv", "section 1", outer}, {"Größe ½.ozv", "section 2.1", inner}});
    }
}

TEST_F(GMimeWritten, AContainerThatIsTheWholeBody) {
    const std::string payload = Payload("whole", 4096);
    const std::string mail =
        Write(Message(GMIME_OBJECT(Attachment(payload, "only.ozv", GMIME_CONTENT_ENCODING_BASE64))), "whole.eml");
    ExpectSaved(Save(mail), {{"only.ozv", "section 1", payload}});
}

}  // namespace
}  // namespace quellmark
