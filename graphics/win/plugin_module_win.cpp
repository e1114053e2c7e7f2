#include "graphics/win/plugin_module_win.h"

namespace {

HINSTANCE g_pluginInstance = nullptr;

}  // namespace

HINSTANCE PluginModuleInstance() {
  if (g_pluginInstance) return g_pluginInstance;
  HMODULE self = nullptr;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&PluginModuleInstance), &self)) {
    return self;
  }
  return nullptr;
}

void SetPluginModuleInstance(HINSTANCE instance) { g_pluginInstance = instance; }
