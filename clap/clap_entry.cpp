#include "clap/clap_entry.h"

#include <cstring>

#include "base/mutex.h"

namespace {

WDL_Mutex& EntryLock() {
  static WDL_Mutex lock;
  return lock;
}

int gInitCount = 0;

bool ModuleInit(const char* pluginPath) {
  (void)pluginPath;
  MutexGuard guard(&EntryLock());
  ++gInitCount;
  return true;
}

void ModuleDeinit() {
  MutexGuard guard(&EntryLock());
  if (gInitCount > 0) --gInitCount;
}

const clapabi::PluginDescriptor& Descriptor() {
  // Made once, on first use (a function-local static is initialised exactly once even
  // when two threads ask at the same moment), and valid until the module is unloaded.
  static const clapabi::PluginDescriptor descriptor = [] {
    const ClapModuleDefinition& m = ClapThisModule();
    clapabi::PluginDescriptor d;
    d.version = clapabi::kVersion;
    d.id = m.id;
    d.name = m.name;
    d.vendor = m.vendor;
    d.url = m.url;
    d.manualUrl = m.manualUrl;
    d.supportUrl = m.supportUrl;
    d.versionText = m.version;
    d.description = m.description;
    d.features = m.features;
    return d;
  }();
  return descriptor;
}

uint32_t PluginCount(const clapabi::PluginFactory* factory) { return factory ? 1 : 0; }

const clapabi::PluginDescriptor* PluginDescriptorAt(const clapabi::PluginFactory* factory,
                                                    uint32_t index) {
  return factory && index == 0 ? &Descriptor() : nullptr;
}

WDL_Mutex& ConstructionLock() {
  static WDL_Mutex lock;
  return lock;
}

const clapabi::Plugin* CreatePlugin(const clapabi::PluginFactory* factory,
                                    const clapabi::Host* host, const char* pluginId) {
  const clapabi::PluginDescriptor& d = Descriptor();
  if (!factory || !host || !pluginId || !d.id || std::strcmp(pluginId, d.id) != 0) return nullptr;
  // A host of another major version speaks another language.
  if (!clapabi::IsCompatible(host->version)) return nullptr;
  const ClapModuleDefinition& module = ClapThisModule();
  if (!module.create) return nullptr;
  // One at a time, so two hosts' threads never share half-built state.
  MutexGuard guard(&ConstructionLock());
  const ClapHostLink link = {host, &d};
  IPlugCLAP* plug = module.create(&link);
  return plug ? plug->ClapRecord() : nullptr;
}

const clapabi::PluginFactory kFactory = {PluginCount, PluginDescriptorAt, CreatePlugin};

const void* GetFactory(const char* factoryId) {
  if (factoryId && std::strcmp(factoryId, clapabi::kPluginFactoryId) == 0) return &kFactory;
  return nullptr;
}

}  // namespace

int ClapModuleInitCount() {
  MutexGuard guard(&EntryLock());
  return gInitCount;
}

extern "C" const clapabi::PluginEntry clap_entry = {clapabi::kVersion, ModuleInit, ModuleDeinit,
                                                    GetFactory};
