// quelora-host: a command-line VST 2.4 host for Linux plug-ins (info, offline render,
// editor screenshots and an editor window).
#include <cstdio>

#include "tools/host/commands.h"
#include "tools/host/options.h"
#include "tools/host/status.h"

int main(int argc, char** argv) {
  Options options;
  Status status = ParseOptions(argc, argv, &options);
  if (status.ok()) {
    switch (options.command) {
      case Command::kHelp:
        std::fputs(UsageText(), stdout);
        break;
      case Command::kInfo:
        status = RunInfo(options, stdout);
        break;
      case Command::kRender:
        status = RunRender(options, stdout);
        break;
      case Command::kScreenshot:
        status = RunScreenshot(options, stdout);
        break;
      case Command::kEdit:
        status = RunEdit(options, stdout);
        break;
    }
  }
  if (!status.ok()) {
    std::fprintf(stderr, "quelora-host: %s\n", status.message.c_str());
  }
  return static_cast<int>(status.code);
}
