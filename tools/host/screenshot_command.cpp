#include <string>
#include <vector>

#include "tools/host/commands.h"
#include "tools/host/editor_capture.h"
#include "tools/host/host_context.h"
#include "tools/host/plugin_module.h"
#include "tools/host/plugin_settings.h"
#include "tools/host/png_writer.h"

Status RunScreenshot(const Options& options, std::FILE* out) {
  HostContext context;
  PluginModule plugin;
  Status status = plugin.Load(options.plugin, &context);
  if (!status.ok()) return status;
  plugin.Open(context.SampleRate(), context.BlockSize());
  status = ApplyProgramAndSettings(plugin, options);
  if (!status.ok()) return status;

  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba;
  status = CaptureEditor(plugin, options.scale, &width, &height, &rgba);
  if (!status.ok()) return status;
  plugin.Unload();

  status = WritePngRgba(options.output, width, height, rgba);
  if (!status.ok()) return status;
  std::fprintf(out, "wrote %s (%d x %d pixels)\n", options.output.c_str(), width, height);
  return Status::Ok();
}
