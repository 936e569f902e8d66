#pragma once
// Texts a device sends (names, models, addresses, query values, share names)
// are bytes it chose. Before they reach a terminal or a JSON reader they go
// through these functions, so no device can move the cursor, retitle the
// window, forge an output line or make the JSON unreadable.
//
// Both read the bytes as UTF-8; each maximal invalid subpart (a stray
// continuation byte, a cut-off sequence, an overlong form, a surrogate, a code
// point beyond U+10FFFF, a lead byte C0, C1 or F5..FF) becomes one U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>

namespace kfw::protocol {

// Valid UTF-8 for a terminal: C0 controls, DEL and the C1 controls
// U+0080..U+009F are written as "\x1b"-style escapes (the code point in two
// hex digits) and a backslash as "\\", so an escape cannot be forged.
std::string TerminalText(std::string_view bytes);
// The same for a failure's reason, which quotes share paths: backslashes
// stay single, for the reader, as no output is parsed from it.
std::string ReasonText(std::string_view bytes);

// A JSON string literal with its quotes, always valid UTF-8: '"' and '\'
// escaped, C0, DEL and C1 controls as \u00XX.
std::string JsonQuoted(std::string_view bytes);

// At most `maxChars` characters of `bytes`, with "..." appended when it was
// longer; never cut inside a UTF-8 sequence (an invalid subpart counts as one
// character, as it becomes one U+FFFD).
std::string CutText(std::string_view bytes, std::size_t maxChars = 64);

// The code points of `bytes` read as UTF-8, each invalid subpart as U+FFFD.
std::u32string DecodeUtf8(std::string_view bytes);

// Characters (code points) of valid UTF-8 text, the columns a table gives it.
std::size_t CharacterCount(std::string_view utf8);

}  // namespace kfw::protocol
