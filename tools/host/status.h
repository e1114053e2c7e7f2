// Outcome of a host-tool step: success, or an exit code with a one-line message. The tool
// reports failures as values so that every step can be cleaned up in order (effClose,
// dlclose) before main prints the message and exits.
#pragma once

#include <string>

// Exit codes of quelora-host; each kind of failure has its own so scripts can tell them
// apart.
enum class ExitCode : int {
  kSuccess = 0,
  kFailure = 1,          // anything else: processing or output file trouble
  kUsage = 2,            // bad command line
  kMissingFile = 3,      // plug-in or input file does not exist
  kNotAPlugin = 4,       // cannot be loaded, no entry point, bad magic, no instance
  kUnknownName = 5,      // unknown program, parameter or parameter value
  kBadAudio = 6,         // unreadable or unsupported input audio
  kUnsupported = 7,      // the plug-in lacks what was asked (--double, outputs, editor)
  kNoDisplay = 8,        // edit: no X display could be opened
};

struct Status {
  ExitCode code = ExitCode::kSuccess;
  std::string message;

  static Status Ok() { return Status{}; }
  static Status Fail(ExitCode c, std::string text) { return Status{c, std::move(text)}; }
  bool ok() const { return code == ExitCode::kSuccess; }
};
