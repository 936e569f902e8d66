#pragma once
// Starting other programs: a command line, and a file opened with the
// program the desktop associates with its kind. Answers keep the codes the
// commands test: above 31 (Run) or 32 (Open) the program started; 2 the
// program was not found, 3 its folder was not found, 11 it is not a
// program; other small numbers for other failures.

#include <string>

namespace kfw::platform {

inline constexpr int kStartNotFound = 2;
inline constexpr int kStartPathNotFound = 3;
inline constexpr int kStartBadFormat = 11;
inline constexpr int kStartOk = 33;

// Whether an answer of Run, or of Open, says the program started.
inline bool Started(int runAnswer) { return runAnswer > 31; }
inline bool Opened(int openAnswer) { return openAnswer > 32; }
// Why an answer of Run or Open is a failure, in words for the user.
inline const char* StartFailureText(int answer) {
  switch (answer) {
    case kStartNotFound: return "the program was not found";
    case kStartPathNotFound: return "the program's folder was not found";
    case kStartBadFormat: return "the file is not a program";
    default: return "the program could not be started";
  }
}

class ProgramStarter {
 public:
  virtual ~ProgramStarter() = default;
  // Starts `commandLine`, split into its program and arguments as the
  // desktop's command lines are quoted, never handed to a shell. `shown`
  // asks for a visible window.
  virtual int Run(const std::string& commandLine, bool shown) = 0;
  // Opens `file` (a name in the current folder, or a path) with its
  // associated program.
  virtual int Open(const std::string& file) = 0;
};

// The desktop's default web browser.
class DefaultBrowser {
 public:
  virtual ~DefaultBrowser() = default;
  // The name the browser is registered under; "" when none is.
  virtual std::string KeyName() = 0;
  // The command line that starts the browser registered as `keyName`,
  // without any placeholder for an address; "" when it cannot be read.
  virtual std::string CommandLine(const std::string& keyName) = 0;
  // The program that opens an address with the desktop's own choice of
  // browser ("explorer" where that is the system's file explorer).
  virtual std::string Explorer() = 0;
};

// Whether a device still answers on its web console's port.
class Reachability {
 public:
  virtual ~Reachability() = default;
  // True when `host` accepts a connection to http (port 80) within the
  // check's own time-out. Blocks; called on a worker thread.
  virtual bool Answers(const std::string& host) = 0;
};

}  // namespace kfw::platform
