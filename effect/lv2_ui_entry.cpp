// The LV2 UI (ui:X11UI) of the module: the effect's own editor, embedded in the host's
// parent window. Each UI instance holds a description-only instance of the effect that
// owns the editor; its edits leave through the host's write function (and touch, when
// offered), and the host's port values come in through port_event.
//
// Threading: every callback on the host's UI thread. The X11 editor draws and handles
// input on its own editor thread; the edits it makes are queued, and the UI's idle call
// hands them to the host, so that write and touch are only ever called on the host's UI
// thread. The UI therefore requires the idle interface (the host says it calls it by
// passing the ui:idleInterface feature) and refuses to instantiate without it. Should the
// editor thread not start, the idle calls drive the editor as well.
#include <cstdint>
#include <cstring>
#include <new>

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include "base/mutex.h"
#include "effect/lv2_identity.h"
#include "effect/quelora2.h"
#include "graphics/IGraphics.h"

namespace {

const void* FindUiFeature(const LV2_Feature* const* features, const char* uri) {
  if (!features) return nullptr;
  for (int i = 0; features[i]; ++i) {
    if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
  }
  return nullptr;
}

bool HasUiFeature(const LV2_Feature* const* features, const char* uri) {
  if (!features) return false;
  for (int i = 0; features[i]; ++i) {
    if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0) return true;
  }
  return false;
}

// The host's ui:scaleFactor among the options it gives the UI (a float, mapped through the
// host's urid:map), or 0 when it gives none.
float HostScaleFactor(const LV2_Feature* const* features) {
  const auto* options =
      static_cast<const LV2_Options_Option*>(FindUiFeature(features, LV2_OPTIONS__options));
  const auto* map = static_cast<const LV2_URID_Map*>(FindUiFeature(features, LV2_URID__map));
  if (!options || !map || !map->map) return 0.f;
  const LV2_URID scaleFactor = map->map(map->handle, LV2_UI__scaleFactor);
  const LV2_URID atomFloat = map->map(map->handle, LV2_ATOM__Float);
  for (const LV2_Options_Option* o = options; o->key; ++o) {
    if (o->key == scaleFactor && o->type == atomFloat && o->size == sizeof(float) && o->value) {
      float scale = 0.f;
      std::memcpy(&scale, o->value, sizeof(scale));
      return scale;
    }
  }
  return 0.f;
}

VSTCLASS* FromUiHandle(LV2UI_Handle handle) {
  return static_cast<VSTCLASS*>(static_cast<IPlugLV2*>(handle));
}

LV2UI_Handle InstantiateUi(const LV2UI_Descriptor* descriptor, const char* pluginUri,
                           const char* bundlePath, LV2UI_Write_Function write,
                           LV2UI_Controller controller, LV2UI_Widget* widget,
                           const LV2_Feature* const* features) {
  (void)descriptor;
  (void)bundlePath;
  void* parent = const_cast<void*>(FindUiFeature(features, LV2_UI__parent));
  if (!parent || !write || !widget || !pluginUri || std::strcmp(pluginUri, kLv2PluginUri) != 0) {
    return nullptr;
  }
  // Without the host's idle calls the edits would have no thread to leave on.
  if (!HasUiFeature(features, LV2_UI__idleInterface)) return nullptr;
  static WDL_Mutex constructionLock;
  MutexGuard guard(&constructionLock);
  VSTCLASS* plug = new (std::nothrow) VSTCLASS(nullptr);
  if (!plug) return nullptr;
  const auto* touch = static_cast<const LV2UI_Touch*>(FindUiFeature(features, LV2_UI__touch));
  plug->AttachUiHost({write, controller, touch});
  int width = 0, height = 0;
  bool opened = false;
  {
    MutexGuard pluginGuard(plug->PluginLock());
    IGraphics* editor = EditorOf(plug);
    // The host's scale comes before the window opens, so it opens at that size.
    if (editor) editor->SetHostScale(HostScaleFactor(features));
    opened = editor && plug->OpenEditor(parent) && editor->GetNativeWindow();
    if (opened) {
      *widget = editor->GetNativeWindow();
      width = editor->Width();
      height = editor->Height();
    }
  }
  // Deleted only once its lock is released: the guard must not unlock freed memory.
  if (!opened) {
    delete plug;
    return nullptr;
  }
  // The host learns the size the scale gave, outside the plug-in lock.
  const auto* resize = static_cast<const LV2UI_Resize*>(FindUiFeature(features, LV2_UI__resize));
  if (resize && resize->ui_resize) resize->ui_resize(resize->handle, width, height);
  return static_cast<IPlugLV2*>(plug);
}

void CleanupUi(LV2UI_Handle handle) {
  VSTCLASS* plug = FromUiHandle(handle);
  if (!plug) return;
  {
    MutexGuard guard(plug->PluginLock());
    plug->FlushPendingParamEdit();
    plug->CloseEditor();
  }
  // The editor thread has ended and queued what it still had (a gesture's end among it):
  // this is the host's UI thread, so it goes out before the UI does.
  plug->DeliverUiEdits();
  delete plug;
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
  VSTCLASS* plug = FromUiHandle(handle);
  // Format 0: a control port's float.
  if (!plug || format != 0 || size != sizeof(float) || !buffer) return;
  float plain = 0.f;
  std::memcpy(&plain, buffer, sizeof(plain));
  plug->ReceivePortValue(port, plain);
}

int Idle(LV2UI_Handle handle) {
  VSTCLASS* plug = FromUiHandle(handle);
  if (!plug) return 1;
  // Drives the editor only when its own thread could not start (otherwise a no-op), then
  // hands the queued edits to the host.
  if (IPlugEditor* editor = plug->Editor()) editor->HostDrivenIdle();
  plug->DeliverUiEdits();
  return 0;
}

const void* UiExtensionData(const char* uri) {
  static const LV2UI_Idle_Interface kIdle = {Idle};
  if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdle;
  return nullptr;
}

}  // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  static const LV2UI_Descriptor descriptor = {kLv2UiUri, InstantiateUi, CleanupUi, PortEvent,
                                              UiExtensionData};
  return index == 0 ? &descriptor : nullptr;
}
