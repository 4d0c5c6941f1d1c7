#pragma once
// Mail for the tests, written at test time by Python's standard `email`
// package (write_mail.py), a MIME writer independent of the one the program
// reads with. Parts are described in JSON by the builders below and nest
// freely.
#include <string>
#include <vector>

namespace quellmark {

// The file at `dataPath` attached as `name`. `nameStyle` is rfc2231,
// rfc2047, plain or none; `encoding` base64, quoted-printable or x-uuencode.
std::string AttachmentPart(const std::string& dataPath, const std::string& name, const std::string& encoding = "base64",
                           const std::string& nameStyle = "rfc2231",
                           const std::string& type = "application/octet-stream");
std::string TextPart(const std::string& text = "Hello");
std::string Multipart(const std::string& subtype, const std::vector<std::string>& parts);
// A message/rfc822 part: a forwarded message whose body is `body`.
std::string Forwarded(const std::string& body);
// The usual shape of mail with attachments: a line of text, then each part.
std::string TextWith(const std::vector<std::string>& attachments);

// Writes the message with body `body` to `path`, or, with several bodies or
// `mbox`, an mbox file of one message each; returns `path`.
std::string WriteMail(const std::string& path, const std::vector<std::string>& bodies, bool mbox = false);

// Runs a Python script with `args`; fails the test when the script fails.
void RunPython(const std::string& script, const std::vector<std::string>& args);

// A message of `depth` multiparts, each the only part of the one around it,
// with the part `leaf` (headers, blank line, body) at the bottom.
std::string NestedMultiparts(int depth, const std::string& leaf = "Content-Type: text/plain\n\nbottom\n");

}  // namespace quellmark
