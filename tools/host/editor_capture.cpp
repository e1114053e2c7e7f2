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

Status CaptureEditor(const PluginModule& plugin, double scale, int* width, int* height,
                     std::vector<unsigned char>* rgba) {
  int w = 0;
  int h = 0;
  Status sized = EditorSize(plugin, &w, &h);
  if (!sized.ok()) return sized;
  // The picture's size at the scale; a plug-in that does not answer knows no scales and
  // draws only at its own size.
  const float opt = static_cast<float>(scale);
  const VstIntPtr size = plugin.Dispatch(effVendorSpecific, kRenderEditorCall, 0, nullptr, opt);
  float drawnAt = opt;
  if (size > 0) {
    w = static_cast<int>((size >> 16) & 0xFFFF);
    h = static_cast<int>(size & 0xFFFF);
  } else if (scale == 1.0) {
    drawnAt = 0.f;
  } else {
    return Status::Fail(ExitCode::kUnsupported,
                        "plug-in cannot draw its editor at another scale (it does not answer "
                        "the screenshot call's size query)");
  }
  std::vector<unsigned char> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
  const VstIntPtr answer =
      plugin.Dispatch(effVendorSpecific, kRenderEditorCall, static_cast<VstIntPtr>(pixels.size()),
                      pixels.data(), drawnAt);
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
