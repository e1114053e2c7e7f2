// The Linux module's load and unload calls (hosts call them around everything else).
#include "vst3/vst3_entry.h"
#include "vst3/vst3_factory.h"

extern "C" bool ModuleEntry(void* sharedLibraryHandle) {
  (void)sharedLibraryHandle;
  return Vst3EnterModule();
}

extern "C" bool ModuleExit() { return Vst3ExitModule(); }
