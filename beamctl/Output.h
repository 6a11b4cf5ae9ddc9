// What beamctl prints on standard output: name=value lines, or one JSON
// object with the same names. Values are the projector's bytes; in lines, any
// control character (C0 or C1) and the backslash are shown as \xNN so a value
// can never make a line of its own or move a terminal's cursor, and JSON
// escapes whatever is not printable ASCII. Windows-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ExitStatus.h"

// A name and its value; no value: not known (left out of the lines, null in JSON).
using Field = std::pair<std::string, std::optional<std::string>>;

std::string FieldsText(const std::vector<Field>& fields);
std::string FieldsJson(const std::vector<Field>& fields);

// A value in both forms: what follows "name=" on its line, and a JSON value
// (a string, a number, an array or an object).
struct Rendered {
    std::string text;
    std::string json;
};
// The bytes as they are: in a line as they stand, in JSON as a string.
Rendered TextValue(std::string_view bytes);
// Values one after the other: separated by a space in a line, a JSON array.
Rendered ListValue(const std::vector<Rendered>& items);
// Named values: "name:text" separated by a space in a line, a JSON object.
Rendered NamedValues(const std::vector<std::pair<std::string, Rendered>>& items);

using RenderedField = std::pair<std::string, std::optional<Rendered>>;
std::string RenderedText(const std::vector<RenderedField>& fields);
std::string RenderedJson(const std::vector<RenderedField>& fields);

// The reply lines of a raw command: one output line each, or {"replies": [...]}.
std::string RepliesText(const std::vector<std::string>& replies);
std::string RepliesJson(const std::vector<std::string>& replies);

// A JSON string literal of the bytes: well-formed UTF-8 stands for the
// characters it spells, any other byte above 0x7F for U+0080 to U+00FF; the
// quote, the backslash and everything outside printable ASCII are escaped, so
// the output is ASCII whatever the projector sent.
std::string JsonString(std::string_view bytes);
// The length of the well-formed UTF-8 sequence of two to four bytes at the
// start of `bytes` (shortest form, no surrogate, at most U+10FFFF) and its
// code point; 0 when none starts there (an ASCII byte included).
std::size_t Utf8SequenceLength(std::string_view bytes, char32_t& codePoint);
// The bytes with the backslash and every control character shown as \xNN:
// C0, DEL, and C1 both as a byte 0x80-0x9F outside well-formed UTF-8 and as
// U+0080-U+009F in it. Other UTF-8 and other bytes above 0x9F stay as they are.
std::string PrintableLine(std::string_view bytes);
// The same without escaping the backslash: a message's line on stderr, where
// a Windows path stays as it is written.
std::string PrintableMessage(std::string_view bytes);

// Every failure is one line on standard error, whatever bytes it quotes:
// "beamctl: " and the problem, then the hint in brackets when there is one
// (without its full stop). Returns the exit code of `status`.
int FailureLine(std::string& err, ExitStatus status, const std::string& problem, std::string hint = "");
