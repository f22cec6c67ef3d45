#pragma once
// Text from outside (log lines, server replies, remote file names) shown to a person: control
// characters become visible escapes, so such text can neither drive a terminal (clear it,
// retitle it) nor reorder what is shown around it (bidirectional controls such as U+202E).
#include <cstddef>
#include <string>
#include <string_view>

namespace trevix {

// Length of the control character starting at text[i], 0 when there is none: 1 for C0 and
// DEL, 2 for a C1 control or U+061C in UTF-8, 3 for U+200E, U+200F, U+202A-202E and
// U+2066-2069.
size_t ControlLength(std::string_view text, size_t i);
// Appends the visible escape of one control character: "\x1b" for a single byte, "\u009b" or
// "\u202e" for a multi-byte one.
void AppendEscape(std::string& out, std::string_view control);

// CR LF and lone CR as plain line ends for a terminal; every other control character but the
// tab as a visible escape.
std::string TerminalText(std::string_view text);

// One line of text that came from a server: bytes that are not UTF-8 are read as
// Windows-1252, line feed, carriage return and tab become "\n", "\r" and "\t", every other
// control character its escape. Text without controls is returned as it is.
std::string ServerText(std::string_view text);

// Whether the text holds any character that ControlLength counts.
bool HasControlCharacter(std::string_view text);

} // namespace trevix
