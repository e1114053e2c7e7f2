// The DLL entry of the Windows plug-in: keeps the module handle, through which the editor
// finds its window class and the images in this DLL's resources.
//
// Threading: called by the Windows loader with its loader lock held; does nothing that
// could wait for another thread.
#include <windows.h>

#include "graphics/win/plugin_module_win.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    SetPluginModuleInstance(instance);
    // No per-thread notifications are needed; fewer calls into the DLL for the host.
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
