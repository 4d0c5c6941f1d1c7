#include "mail_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "test_support.h"

namespace quellmark {

namespace {

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted += "'";
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') json += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            json += escaped;
        } else {
            json += c;
        }
    }
    return json += "\"";
}

std::string AttachmentPart(const std::string& dataPath, const std::string& name, const std::string& encoding,
                           const std::string& nameStyle, const std::string& type) {
    return "{\"type\": " + JsonString(type) + ", \"data\": " + JsonString(dataPath) + ", \"name\": " +
           JsonString(name) + ", \"encoding\": " + JsonString(encoding) + ", \"name_style\": " +
           JsonString(nameStyle) + "}";
}

std::string TextPart(const std::string& text) {
    return "{\"type\": \"text/plain\", \"text\": " + JsonString(text) + "}";
}

std::string Multipart(const std::string& subtype, const std::vector<std::string>& parts) {
    std::string json = "{\"multipart\": " + JsonString(subtype) + ", \"parts\": [";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) json += ", ";
        json += parts[i];
    }
    return json += "]}";
}

std::string Forwarded(const std::string& body) {
    std::string json = "{\"forward\": ";
    json += body;
    return json += "}";
}

void MailTest::SetUp() {
    TempDirTest::SetUp();
    out = (root / "out").string();
    std::filesystem::create_directory(out);
}

std::string MailTest::Payload(const std::string& name, size_t size) {
    std::mt19937 rng(seed_++);
    const auto bytes = RandomBytes(rng, size);
    return MakeFile("payload/" + name, std::string(bytes.begin(), bytes.end()));
}

void MailTest::RunScript(const std::string& script, const std::vector<std::string>& args) {
    std::string command = "python3 ";
    command += ShellQuoted(std::string(QUELLMARK_MAIL_TEST_DIR) + "/" + script);
    for (const std::string& arg : args) {
        command += ' ';
        command += ShellQuoted(arg);
    }
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string MailTest::WriteMessage(const std::string& body, const std::string& file) {
    const std::string description = MakeFile("descriptions/" + file + ".json", "{\"messages\": [" + body + "]}");
    const std::string mail = (root / file).string();
    RunScript("write_mail.py", {description, mail});
    return mail;
}

std::string MailTest::WriteMbox(const std::vector<std::string>& bodies, const std::string& file) {
    std::string list;
    for (size_t i = 0; i < bodies.size(); ++i) {
        if (i > 0) list += ", ";
        list += bodies[i];
    }
    const std::string description =
        MakeFile("descriptions/" + file + ".json", "{\"mbox\": true, \"messages\": [" + list + "]}");
    const std::string mail = (root / file).string();
    RunScript("write_mail.py", {description, mail});
    return mail;
}

}  // namespace quellmark
