#include "clap/clap_tables.h"

#include <cstring>

#include "clap/IPlugCLAP.h"
#include "clap/clap_platform.h"

namespace {

IPlugCLAP* Of(const clapabi::Plugin* plugin) { return IPlugCLAP::FromClap(plugin); }

// --- The plug-in record ---

bool Init(const clapabi::Plugin* p) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->Init();
}
void Destroy(const clapabi::Plugin* p) {
  if (IPlugCLAP* plug = Of(p)) plug->Destroy();
}
bool Activate(const clapabi::Plugin* p, double rate, uint32_t minFrames, uint32_t maxFrames) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->Activate(rate, minFrames, maxFrames);
}
void Deactivate(const clapabi::Plugin* p) {
  if (IPlugCLAP* plug = Of(p)) plug->Deactivate();
}
bool StartProcessing(const clapabi::Plugin* p) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->StartProcessing();
}
void StopProcessing(const clapabi::Plugin* p) {
  if (IPlugCLAP* plug = Of(p)) plug->StopProcessing();
}
void Reset(const clapabi::Plugin* p) {
  if (IPlugCLAP* plug = Of(p)) plug->Reset();
}
int32_t ProcessBlock(const clapabi::Plugin* p, const clapabi::Process* process) {
  IPlugCLAP* plug = Of(p);
  return plug ? plug->Process(process) : clapabi::kProcessError;
}
const void* GetExtension(const clapabi::Plugin* p, const char* id) {
  const IPlugCLAP* plug = Of(p);
  return plug ? plug->Extension(id) : nullptr;
}
void OnMainThread(const clapabi::Plugin* p) {
  if (IPlugCLAP* plug = Of(p)) plug->OnMainThread();
}

// --- audio-ports ---

uint32_t PortCount(const clapabi::Plugin* p, bool isInput) {
  const IPlugCLAP* plug = Of(p);
  return plug ? plug->AudioPortCount(isInput) : 0;
}
bool PortGet(const clapabi::Plugin* p, uint32_t index, bool isInput, clapabi::AudioPortInfo* info) {
  const IPlugCLAP* plug = Of(p);
  return plug && plug->AudioPortInfoAt(index, isInput, info);
}
const clapabi::PluginAudioPorts kAudioPorts = {PortCount, PortGet};

// --- params ---

uint32_t ParamsCount(const clapabi::Plugin* p) {
  const IPlugCLAP* plug = Of(p);
  return plug ? plug->ParamsCount() : 0;
}
bool ParamsInfo(const clapabi::Plugin* p, uint32_t index, clapabi::ParamInfo* info) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->ParamInfoAt(index, info);
}
bool ParamsValue(const clapabi::Plugin* p, clapabi::Id id, double* value) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->ParamValue(id, value);
}
bool ParamsValueToText(const clapabi::Plugin* p, clapabi::Id id, double value, char* out,
                       uint32_t capacity) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->ValueToText(id, value, out, capacity);
}
bool ParamsTextToValue(const clapabi::Plugin* p, clapabi::Id id, const char* text, double* value) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->TextToValue(id, text, value);
}
void ParamsFlush(const clapabi::Plugin* p, const clapabi::InputEvents* in,
                 const clapabi::OutputEvents* out) {
  if (IPlugCLAP* plug = Of(p)) plug->Flush(in, out);
}
const clapabi::PluginParams kParams = {ParamsCount,       ParamsInfo,        ParamsValue,
                                       ParamsValueToText, ParamsTextToValue, ParamsFlush};

// --- state ---

bool StateSave(const clapabi::Plugin* p, const clapabi::OStream* stream) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->SaveState(stream);
}
bool StateLoad(const clapabi::Plugin* p, const clapabi::IStream* stream) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->LoadState(stream);
}
const clapabi::PluginState kState = {StateSave, StateLoad};

// --- latency, tail ---

uint32_t LatencyGet(const clapabi::Plugin* p) {
  IPlugCLAP* plug = Of(p);
  return plug ? plug->Latency() : 0;
}
const clapabi::PluginLatency kLatency = {LatencyGet};

uint32_t TailGet(const clapabi::Plugin* p) {
  IPlugCLAP* plug = Of(p);
  return plug ? plug->Tail() : 0;
}
const clapabi::PluginTail kTail = {TailGet};

// --- gui ---

bool GuiIsApiSupported(const clapabi::Plugin* p, const char* api, bool isFloating) {
  const IPlugCLAP* plug = Of(p);
  return plug && plug->GuiIsApiSupported(api, isFloating);
}
bool GuiPreferredApi(const clapabi::Plugin* p, const char** api, bool* isFloating) {
  const IPlugCLAP* plug = Of(p);
  return plug && plug->GuiPreferredApi(api, isFloating);
}
bool GuiCreate(const clapabi::Plugin* p, const char* api, bool isFloating) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->GuiCreate(api, isFloating);
}
void GuiDestroy(const clapabi::Plugin* p) {
  if (IPlugCLAP* plug = Of(p)) plug->GuiDestroy();
}
bool GuiSetScale(const clapabi::Plugin* p, double scale) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->GuiSetScale(scale);
}
bool GuiGetSize(const clapabi::Plugin* p, uint32_t* width, uint32_t* height) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->GuiSize(width, height);
}
bool GuiCanResize(const clapabi::Plugin* p) {
  const IPlugCLAP* plug = Of(p);
  return plug && plug->GuiCanResize();
}
bool GuiGetResizeHints(const clapabi::Plugin* p, clapabi::GuiResizeHints* hints) {
  const IPlugCLAP* plug = Of(p);
  return plug && plug->GuiResizeHints(hints);
}
bool GuiAdjustSize(const clapabi::Plugin* p, uint32_t* width, uint32_t* height) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->GuiAdjustSize(width, height);
}
bool GuiSetSize(const clapabi::Plugin* p, uint32_t width, uint32_t height) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->GuiSetSize(width, height);
}
bool GuiSetParent(const clapabi::Plugin* p, const clapabi::Window* window) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->GuiSetParent(window);
}
// Floating windows only, which this editor is not.
bool GuiSetTransient(const clapabi::Plugin*, const clapabi::Window*) { return false; }
void GuiSuggestTitle(const clapabi::Plugin*, const char*) {}
bool GuiShow(const clapabi::Plugin* p) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->GuiShow();
}
bool GuiHide(const clapabi::Plugin* p) {
  IPlugCLAP* plug = Of(p);
  return plug && plug->GuiHide();
}
const clapabi::PluginGui kGui = {GuiIsApiSupported, GuiPreferredApi, GuiCreate,     GuiDestroy,
                                 GuiSetScale,       GuiGetSize,      GuiCanResize,  GuiGetResizeHints,
                                 GuiAdjustSize,     GuiSetSize,      GuiSetParent,  GuiSetTransient,
                                 GuiSuggestTitle,   GuiShow,         GuiHide};

// --- timer-support, posix-fd-support ---

void TimerFired(const clapabi::Plugin* p, clapabi::Id timerId) {
  if (IPlugCLAP* plug = Of(p)) plug->OnTimer(timerId);
}
const clapabi::PluginTimerSupport kTimers = {TimerFired};

void FdReady(const clapabi::Plugin* p, int fd, uint32_t flags) {
  if (IPlugCLAP* plug = Of(p)) plug->OnFd(fd, flags);
}
const clapabi::PluginPosixFdSupport kFds = {FdReady};

bool Is(const char* id, const char* name) { return std::strcmp(id, name) == 0; }

}  // namespace

void FillClapPluginRecord(clapabi::Plugin* record, const clapabi::PluginDescriptor* desc,
                          IPlugCLAP* plug) {
  record->desc = desc;
  record->pluginData = plug;
  record->init = Init;
  record->destroy = Destroy;
  record->activate = Activate;
  record->deactivate = Deactivate;
  record->startProcessing = StartProcessing;
  record->stopProcessing = StopProcessing;
  record->reset = Reset;
  record->process = ProcessBlock;
  record->getExtension = GetExtension;
  record->onMainThread = OnMainThread;
}

const void* ClapExtensionTable(const char* id) {
  if (!id) return nullptr;
  if (Is(id, clapabi::kExtAudioPorts)) return &kAudioPorts;
  if (Is(id, clapabi::kExtParams)) return &kParams;
  if (Is(id, clapabi::kExtState)) return &kState;
  if (Is(id, clapabi::kExtGui)) return &kGui;
  if (Is(id, clapabi::kExtLatency)) return &kLatency;
  if (Is(id, clapabi::kExtTail)) return &kTail;
  if (Is(id, clapabi::kExtTimerSupport)) return &kTimers;
  if (Is(id, clapabi::kExtPosixFdSupport)) return ClapEditorCanRunOnHostLoop() ? &kFds : nullptr;
  return nullptr;
}

const void* IPlugCLAP::Extension(const char* id) const {
  if (!id) return nullptr;
  // No editor, no gui extension (hosts then list no editor).
  if (!HasEditor() && std::strcmp(id, clapabi::kExtGui) == 0) return nullptr;
  return ClapExtensionTable(id);
}
