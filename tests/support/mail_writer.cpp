#include "mail_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "test_support.h"

namespace quellmark {

namespace {

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') json += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            json += escaped;
        } else {
            json += c;
        }
    }
    return json += '"';
}

std::string JsonList(const std::vector<std::string>& items) {
    std::string json = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) json += ", ";
        json += items[i];
    }
    return json += ']';
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted += '\'';
}

}  // namespace

std::string AttachmentPart(const std::string& dataPath, const std::string& name, const std::string& encoding,
                           const std::string& nameStyle, const std::string& type) {
    return "{\"type\": " + JsonString(type) + ", \"data\": " + JsonString(dataPath) + ", \"name\": " +
           JsonString(name) + ", \"encoding\": " + JsonString(encoding) + ", \"name_style\": " +
           JsonString(nameStyle) + "}";
}

std::string TextPart(const std::string& text) { return "{\"type\": \"text/plain\", \"text\": " + JsonString(text) + "}"; }

std::string Multipart(const std::string& subtype, const std::vector<std::string>& parts) {
    return "{\"multipart\": " + JsonString(subtype) + ", \"parts\": " + JsonList(parts) + "}";
}

std::string Forwarded(const std::string& body) { return "{\"forward\": " + body + "}"; }

std::string TextWith(const std::vector<std::string>& attachments) {
    std::vector<std::string> parts = {TextPart()};
    parts.insert(parts.end(), attachments.begin(), attachments.end());
    return Multipart("mixed", parts);
}

std::string WriteMail(const std::string& path, const std::vector<std::string>& bodies, bool mbox) {
    const std::string description = path + ".json";
    std::ofstream(description) << "{\"mbox\": " << (mbox || bodies.size() > 1 ? "true" : "false")
                               << ", \"messages\": " << JsonList(bodies) << "}";
    RunPython(QUELLMARK_WRITE_MAIL, {description, path});
    return path;
}

void RunPython(const std::string& script, const std::vector<std::string>& args) {
    std::string command = "python3 ";
    command.append(ShellQuoted(script));
    for (const std::string& arg : args) command.append(" ").append(ShellQuoted(arg));
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string NestedMultiparts(int depth, const std::string& leaf) {
    std::string mail = "From: a@example.org\nMIME-Version: 1.0\n";
    std::string closing;
    for (int i = 0; i < depth; ++i) {
        const std::string boundary = Numbered("b", i);
        mail.append("Content-Type: multipart/mixed; boundary=\"").append(boundary).append("\"\n\n--");
        mail.append(boundary).append("\n");
        closing.insert(0, std::string("--").append(boundary).append("--\n"));
    }
    return mail + leaf + closing;
}

}  // namespace quellmark
