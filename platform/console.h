#pragma once
// The console a command runs in: its arguments, whether its standard streams
// are terminals, a line typed without echo, and the interrupt key.

#include <optional>
#include <string>
#include <vector>

namespace kfw::platform {

// The program's arguments after its name, as UTF-8. Where the system hands
// them over in another encoding they are read again in UTF-16 and converted;
// the console is also set to show UTF-8 output then.
std::vector<std::string> CommandArguments(int argc, char** argv);

bool InputIsTerminal();
bool ErrorIsTerminal();

// `stop` is called on an interrupt (Ctrl-C) or a request to end; it may only
// set a flag. The program is not ended by it.
void OnInterrupt(void (*stop)());

// One line typed on the terminal after `prompt` (written to standard error),
// with echo off and its line end dropped; nothing when standard input is not
// a terminal or the input ended. Echo is on again afterwards, also when an
// interrupt ends the program during the prompt. Read as ReadSecretLine does.
std::optional<std::string> ReadHiddenLine(const std::string& prompt);

// One line of descriptor `fd`, read a byte at a time straight from the
// system: no stream buffer keeps a copy of a password, and no byte past the
// line end is taken. Its line end ("\n" or "\r\n") dropped; nothing when the
// input ended or failed before a line began.
std::optional<std::string> ReadSecretLine(int fd);

}  // namespace kfw::platform
