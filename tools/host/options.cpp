#include "tools/host/options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const char kUsage[] =
    "usage: quelora-host info PLUGIN\n"
    "       quelora-host render PLUGIN [IN] OUT [options]\n"
    "       quelora-host screenshot PLUGIN OUT.png [--program P] [--set \"NAME=VALUE\"]...\n"
    "                                              [--scale S]\n"
    "       quelora-host edit PLUGIN [--program P] [--set \"NAME=VALUE\"]... [--seconds S]\n"
    "       quelora-host --help\n"
    "\n"
    "Loads a Linux VST 2.4 plug-in (.so) the way a DAW does. info and render also\n"
    "take an LV2 bundle (a directory with manifest.ttl), loaded through lilv; render\n"
    "then sends the tempo as time:Position. They also take a VST 3 bundle (a\n"
    "directory NAME.vst3); render then sends the tempo in the process context.\n"
    "And a CLAP module (.clap): render then reports the tempo in the transport, sets\n"
    "--set values through the plug-in's own text parsing, and --double uses 64-bit\n"
    "buffers (no --program).\n"
    "\n"
    "info     prints the plug-in's identity, channels, flags, parameters (with their\n"
    "         display texts) and programs.\n"
    "render   runs IN (any file libsndfile reads: WAV, FLAC, Ogg, AIFF...) through the\n"
    "         plug-in and writes OUT, in the format OUT's extension names (the input's\n"
    "         encoding when it fits, else 24-bit), at the input's sample rate. Without IN\n"
    "         it renders a built-in plucked-string demo phrase (24-bit WAV unless OUT\n"
    "         names another format). A mono file feeds both inputs of a stereo plug-in.\n"
    "screenshot  writes a picture of the plug-in's editor as an RGBA PNG, drawn\n"
    "         off-screen (no display needed; the plug-in must offer the off-screen call\n"
    "         that Quelora 2 answers).\n"
    "edit     opens the plug-in's editor in a window on the X display (DISPLAY) until\n"
    "         the window is closed, Ctrl-C, or --seconds S have passed. The editor\n"
    "         follows the desktop's scale (Xft.dpi, GDK_SCALE or QUELORA_UI_SCALE);\n"
    "         the window follows the editor's size.\n"
    "\n"
    "render options:\n"
    "  --tempo BPM          host tempo reported to the plug-in (default 120)\n"
    "  --program P          program by exact name, or by number 1..N as 'info' lists them\n"
    "  --set \"NAME=VALUE\"   parameter by name; VALUE as 'info' shows it (\"1/4\",\n"
    "                       \"ping pong\") or a number in the parameter's units (\"60\");\n"
    "                       repeatable, applied in order after --program\n"
    "  --block N            processing block size in frames (default 512)\n"
    "  --double             process in double precision (the plug-in must support it)\n"
    "  --tail SECONDS       silence rendered after the input so echoes ring out (default 2)\n"
    "  --rate HZ            demo sample rate (default 44100; not with IN)\n"
    "  --seconds S          demo length (default 4; not with IN)\n"
    "\n"
    "screenshot and edit take --program and --set as render does; screenshot also\n"
    "  --scale S            draw the editor at scale factor S, 1 to 3 (default 1)\n"
    "edit also\n"
    "  --seconds S          close the editor after S seconds\n"
    "\n"
    "exit codes: 0 ok, 1 processing or output failure, 2 bad arguments, 3 file not found,\n"
    "4 not a plug-in, 5 unknown program, parameter or value, 6 unreadable audio,\n"
    "7 the plug-in cannot do what was asked (double precision, editor),\n"
    "8 no X display for edit\n";

Status Usage(const std::string& message) {
  return Status::Fail(ExitCode::kUsage, message + " (see quelora-host --help)");
}

bool ParseInRange(const std::string& text, double low, double high, double* value) {
  double v = 0;
  if (!ParseNumber(text, &v) || v < low || v > high) return false;
  *value = v;
  return true;
}

}  // namespace

const char* UsageText() { return kUsage; }

std::string Trim(const std::string& text) {
  const char* blanks = " \t\r\n";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

bool ParseNumber(const std::string& text, double* value) {
  std::string trimmed = Trim(text);
  if (trimmed.empty()) return false;
  char* end = nullptr;
  double v = std::strtod(trimmed.c_str(), &end);
  if (end != trimmed.c_str() + trimmed.size() || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

Status ParseOptions(int argc, const char* const* argv, Options* out) {
  *out = Options{};
  std::vector<std::string> positional;
  bool rateGiven = false;
  bool secondsGiven = false;
  bool scaleGiven = false;
  bool optionsEnded = false;

  // Asking for help needs no valid command line.
  for (int i = 1; i < argc && argv[i] && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      out->command = Command::kHelp;
      return Status::Ok();
    }
  }

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i] ? argv[i] : "";
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // --name=value or --name value
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    if (name == "--double") {
      if (hasValue) return Usage("--double takes no value");
      out->useDouble = true;
      continue;
    }
    const bool takesValue = name == "--tempo" || name == "--program" || name == "--set" ||
                            name == "--block" || name == "--tail" || name == "--rate" ||
                            name == "--seconds" || name == "--scale";
    if (!takesValue) return Usage("unknown option " + name);
    if (!hasValue) {
      if (i + 1 >= argc || !argv[i + 1]) return Usage(name + " needs a value");
      value = argv[++i];
    }

    double number = 0;
    if (name == "--tempo") {
      if (!ParseInRange(value, 1.0, 999.0, &out->tempo)) {
        return Usage("--tempo must be a number of beats per minute from 1 to 999");
      }
    } else if (name == "--program") {
      out->program = Trim(value);
      if (out->program.empty()) return Usage("--program needs a name or number");
    } else if (name == "--set") {
      size_t split = value.find('=');
      ParameterSetting setting;
      if (split != std::string::npos) {
        setting.name = Trim(value.substr(0, split));
        setting.value = Trim(value.substr(split + 1));
      }
      if (split == std::string::npos || setting.name.empty() || setting.value.empty()) {
        return Usage("--set needs \"Parameter Name=value\", got \"" + value + "\"");
      }
      out->settings.push_back(setting);
    } else if (name == "--block") {
      if (!ParseInRange(value, 1, 65536, &number) || number != std::floor(number)) {
        return Usage("--block must be a whole number of frames from 1 to 65536");
      }
      out->blockSize = static_cast<int>(number);
    } else if (name == "--tail") {
      if (!ParseInRange(value, 0.0, 3600.0, &out->tailSeconds)) {
        return Usage("--tail must be a number of seconds from 0 to 3600");
      }
    } else if (name == "--rate") {
      if (!ParseInRange(value, 8000, 384000, &number) || number != std::floor(number)) {
        return Usage("--rate must be a whole number of Hz from 8000 to 384000");
      }
      out->sampleRate = number;
      rateGiven = true;
    } else if (name == "--scale") {
      if (!ParseInRange(value, 1.0, 3.0, &out->scale)) {
        return Usage("--scale must be a scale factor from 1 to 3");
      }
      scaleGiven = true;
    } else if (name == "--seconds") {
      if (!ParseInRange(value, 0.001, 3600.0, &out->demoSeconds)) {
        return Usage("--seconds must be a number of seconds above 0 and up to 3600");
      }
      secondsGiven = true;
    }
  }

  if (positional.empty()) return Usage("no command given");
  const std::string command = positional[0];
  positional.erase(positional.begin());
  if (command == "help") {
    out->command = Command::kHelp;
    return Status::Ok();
  }
  if (command == "info") {
    if (positional.size() != 1) return Usage("info takes exactly one plug-in file");
    out->command = Command::kInfo;
    out->plugin = positional[0];
    return Status::Ok();
  }
  if (command == "screenshot" || command == "edit") {
    const bool edit = command == "edit";
    if (rateGiven || (secondsGiven && !edit)) {
      return Usage(std::string(secondsGiven && !rateGiven ? "--seconds" : "--rate") +
                   " does not apply to " + command);
    }
    if (scaleGiven && edit) {
      return Usage("--scale does not apply to edit (the editor follows the desktop's scale)");
    }
    if (edit && positional.size() != 1) return Usage("edit takes exactly one plug-in file");
    if (!edit && positional.size() != 2) return Usage("screenshot takes PLUGIN OUT.png");
    out->command = edit ? Command::kEdit : Command::kScreenshot;
    out->plugin = positional[0];
    if (!edit) out->output = positional[1];
    if (edit && secondsGiven) out->editSeconds = out->demoSeconds;
    return Status::Ok();
  }
  if (command != "render") return Usage("unknown command \"" + command + "\"");
  if (positional.size() < 2 || positional.size() > 3) {
    return Usage("render takes PLUGIN [IN] OUT");
  }
  out->command = Command::kRender;
  out->plugin = positional[0];
  if (positional.size() == 3) out->input = positional[1];
  out->output = positional.back();
  if (scaleGiven) return Usage("--scale does not apply to render");
  if (!out->input.empty() && (rateGiven || secondsGiven)) {
    return Usage("--rate and --seconds apply to the demo only; the input file sets both");
  }
  return Status::Ok();
}
