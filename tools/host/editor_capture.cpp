#include "tools/host/editor_capture.h"

#include "tools/host/png_writer.h"
#include "vst/private_calls.h"

Status EditorSize(const PluginModule& plugin, int* width, int* height) {
  if (!plugin.HasFlag(effFlagsHasEditor)) {
    return Status::Fail(ExitCode::kUnsupported, "plug-in has no editor");
  }
  ERect* rect = nullptr;
  if (!plugin.Dispatch(effEditGetRect, 0, 0, &rect) || !rect) {
    return Status::Fail(ExitCode::kUnsupported, "plug-in reports no editor rectangle");
  }
  const int w = rect->right - rect->left;
  const int h = rect->bottom - rect->top;
  if (w <= 0 || h <= 0) {
    return Status::Fail(ExitCode::kUnsupported, "plug-in reports an empty editor rectangle");
  }
  *width = w;
  *height = h;
  return Status::Ok();
}

Status CaptureEditor(const PluginModule& plugin, int* width, int* height,
                     std::vector<unsigned char>* rgba) {
  int w = 0;
  int h = 0;
  Status sized = EditorSize(plugin, &w, &h);
  if (!sized.ok()) return sized;
  std::vector<unsigned char> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
  const VstIntPtr answer = plugin.Dispatch(effVendorSpecific, kRenderEditorCall,
                                           static_cast<VstIntPtr>(pixels.size()), pixels.data());
  if (answer != kRenderEditorDone) {
    return Status::Fail(ExitCode::kUnsupported,
                        "plug-in cannot draw its editor off-screen (it does not answer the "
                        "screenshot call)");
  }
  BgraToRgba(&pixels);
  *width = w;
  *height = h;
  *rgba = std::move(pixels);
  return Status::Ok();
}
