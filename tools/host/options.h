// The command line of quelora-host: command, positional files and options, parsed into
// Options without touching any file. Bad arguments fail with ExitCode::kUsage.
//
// Threading: pure functions, any thread.
#pragma once

#include <string>
#include <vector>

#include "tools/host/status.h"

enum class Command { kHelp, kInfo, kRender, kScreenshot, kEdit };

struct ParameterSetting {
  std::string name;   // as typed, trimmed
  std::string value;  // as typed, trimmed: a display text or a number
};

struct Options {
  Command command = Command::kHelp;
  std::string plugin;
  std::string input;  // empty: the demo phrase
  std::string output;

  double tempo = 120.0;
  std::string program;  // empty: the plug-in's current program
  std::vector<ParameterSetting> settings;
  int blockSize = 512;
  bool useDouble = false;
  double tailSeconds = 2.0;
  double sampleRate = 44100.0;  // demo only
  double demoSeconds = 4.0;     // demo only
  double editSeconds = 0.0;     // edit only: close the editor after that long; 0 = never
  double scale = 1.0;           // screenshot only: the scale factor the editor is drawn at
};

Status ParseOptions(int argc, const char* const* argv, Options* out);

// Full usage text for --help.
const char* UsageText();

// Strict number parsing: the whole text (surrounding blanks allowed) must be a finite
// number. Shared with the parameter code, which must tell numbers from display texts.
bool ParseNumber(const std::string& text, double* value);
std::string Trim(const std::string& text);
