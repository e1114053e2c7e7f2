#include "vst/IPlugVST.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/text_copy.h"
#include "vst/private_calls.h"

namespace {

// Copies text into a host buffer: the whole text up to maxLength characters, always
// terminated. Our own fields are never longer than the bound given for them, so hosts
// get every text whole while a text that somehow grew past its field cannot overrun.
void CopyToHost(void* dest, const char* text, int maxLength) {
  CopyTextCut(static_cast<char*>(dest), text, maxLength);
}

// Host strings are not trusted to be terminated within a sane length: comparisons stop
// after the query's own terminator.
bool HostStringEquals(const char* hostText, const char* query) {
  return strncmp(hostText, query, strlen(query) + 1) == 0;
}

bool IsValidIndex(const IPlugBase* plug, VstInt32 index) {
  return index >= 0 && index < plug->ParamCount();
}

// A call with zero frames is still a block to the effect: it asks the tempo (and follows
// a change of it) and glides the pan one step, exactly as a block with frames would. No
// host buffer is touched, so the host's (possibly null) pointers are not bound. A
// negative count is not a block at all and is ignored.
void RunEmptyBlock(IPlugBase* plug) { plug->RunBlock(0); }

// A host value used as an int index; out-of-range values become -1 (invalid everywhere).
int ToIndex(VstIntPtr value) {
  if (value < 0 || value > 0x7FFFFFFF) return -1;
  return static_cast<int>(value);
}

}  // namespace

IPlugVST::IPlugVST(audioMasterCallback hostCallback, int paramCount, const char* channelIoSpec,
                   int presetCount, const char* effectName, const char* productName,
                   const char* vendorName, int versionCode, int pluginId, int vendorId,
                   int latencySamples, int midiMode, bool wantsChunks, bool isInstrument)
    : IPlugBase(paramCount, channelIoSpec, presetCount, effectName, productName, vendorName,
                versionCode, pluginId, vendorId, latencySamples, midiMode, wantsChunks,
                isInstrument),
      mEditorRect(),
      mHostCallback(hostCallback),
      mHostSetupDone(false),
      mHostExtensionFlags(0) {
  memset(&mEditorRect, 0, sizeof(mEditorRect));
  memset(&mInputArrangement, 0, sizeof(mInputArrangement));
  memset(&mOutputArrangement, 0, sizeof(mOutputArrangement));
  memset(&mAEffect, 0, sizeof(mAEffect));

  mAEffect.magic = kEffectMagic;
  mAEffect.dispatcher = OnHostOpcode;
  mAEffect.process = OnHostProcess;
  mAEffect.processReplacing = OnHostProcessReplacing;
  mAEffect.processDoubleReplacing = OnHostProcessDoubleReplacing;
  mAEffect.setParameter = OnHostSetParameter;
  mAEffect.getParameter = OnHostGetParameter;
  mAEffect.numPrograms = PresetCount();
  mAEffect.numParams = ParamCount();
  mAEffect.numInputs = InputCount();
  mAEffect.numOutputs = OutputCount();

  int flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  if (wantsChunks) flags |= effFlagsProgramChunks;
  if (IsLegalChannelCount(1, -1)) flags |= effFlagsCanMono;
  if (isInstrument) flags |= effFlagsIsSynth;
  mAEffect.flags = flags;

  mAEffect.initialDelay = latencySamples;
  mAEffect.ioRatio = 1.0f;
  mAEffect.object = this;
  mAEffect.uniqueID = pluginId;
  mAEffect.version = EffectVersion(true);

  SetArrangement(&mInputArrangement, InputCount());
  SetArrangement(&mOutputArrangement, OutputCount());

  ConnectInputs(0, InputCount(), true);
  ConnectOutputs(0, OutputCount(), true);
  ChangeBlockSize(1024);
}

IPlugVST::~IPlugVST() {
  mProgramChunk.Clear();
  mBankChunk.Clear();
}

IPlugVST* IPlugVST::FromAEffect(AEffect* effect) {
  if (!effect) return nullptr;
  return static_cast<IPlugVST*>(effect->object);
}

WDL_Mutex& IPlugVST::ConstructionLock() {
  // Created on first use; a function-local static is initialised exactly once even when
  // two hosts' threads construct instances at the same moment, and is destroyed when the
  // module is unloaded.
  static WDL_Mutex lock;
  return lock;
}

void IPlugVST::SetArrangement(VstSpeakerArrangement* arrangement, int channels) {
  if (channels <= 0) {
    arrangement->type = kSpeakerArrEmpty;
  } else if (channels == 1) {
    arrangement->type = kSpeakerArrMono;
  } else if (channels == 2) {
    arrangement->type = kSpeakerArrStereo;
  } else {
    arrangement->type = kSpeakerArrUserDefined;
  }
  arrangement->numChannels = channels < 0 ? 0 : channels;
}

// ---------------------------------------------------------------------------------------
// Host callbacks

VstIntPtr IPlugVST::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt) {
  if (!mHostCallback) return 0;
  return mHostCallback(&mAEffect, opcode, index, value, ptr, opt);
}

const VstTimeInfo* IPlugVST::HostTimeInfo(VstInt32 filter) {
  return reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, filter));
}

void IPlugVST::HostBeginParamEdit(int index) {
  FlushPendingParamEdit();
  CallHost(audioMasterBeginEdit, index);
}

void IPlugVST::HostAutomateParam(int index, double normalized) {
  CallHost(audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalized));
}

void IPlugVST::HostEndParamEdit(int index) { CallHost(audioMasterEndEdit, index); }

void IPlugVST::HostRefreshDisplay() { CallHost(audioMasterUpdateDisplay); }

int IPlugVST::HostSamplePosition() {
  const VstTimeInfo* info = HostTimeInfo(0);
  // Positions beyond the int range cannot be reported; they read as unknown (0).
  if (info && info->samplePos >= 0.0 && info->samplePos < 2147483647.0) {
    return static_cast<int>(info->samplePos + 0.5);
  }
  return 0;
}

double IPlugVST::HostTempo() {
  const VstTimeInfo* info = HostTimeInfo(kVstTempoValid);
  // A non-finite tempo is as good as none: the engine must never size a line from it.
  if (info && (info->flags & kVstTempoValid) && info->tempo >= 0.0 && std::isfinite(info->tempo)) {
    return info->tempo;
  }
  return 0.0;
}

void IPlugVST::HostTimeSignature(int* numerator, int* denominator) {
  if (numerator) *numerator = 0;
  if (denominator) *denominator = 0;
  const VstTimeInfo* info = HostTimeInfo(kVstTimeSigValid);
  if (info && (info->flags & kVstTimeSigValid) && info->timeSigNumerator >= 0 &&
      info->timeSigDenominator >= 0) {
    if (numerator) *numerator = info->timeSigNumerator;
    if (denominator) *denominator = info->timeSigDenominator;
  }
}

void IPlugVST::AskHostIdentity() {
  {
    MutexGuard guard(PluginLock());
    if (hostCode != -1) return;
  }
  char name[256];
  name[0] = '\0';
  CallHost(audioMasterGetProductString, 0, 0, name);
  name[sizeof(name) - 1] = '\0';  // a host that fills the whole buffer stays bounded
  int version = 0;
  if (name[0]) {
    // The host reports major * 10000 + minor * 100 + patch; we keep 0xMMmmpp.
    const long long v = static_cast<long long>(CallHost(audioMasterGetVendorVersion));
    if (v > 0 && v < 0x7FFFFFFFLL / 8) {
      version = static_cast<int>(v + (v % 10000) / 100 * 156 + v / 10000 * 55536);
    }
  }
  MutexGuard guard(PluginLock());
  if (hostCode == -1) RecordHost(name, version);
}

int IPlugVST::HostIdentity() {
  // effOpen asked before it took the lock; only a caller that comes first asks here.
  if (hostCode == -1) AskHostIdentity();
  return hostCode;
}

void IPlugVST::RefreshEditorRect() {
  if (!editor) return;
  const int16_t bottom = static_cast<int16_t>(editor->Height());
  const int16_t right = static_cast<int16_t>(editor->Width());
  const bool changed = mEditorRect.bottom != bottom || mEditorRect.right != right;
  mEditorRect.top = 0;
  mEditorRect.left = 0;
  mEditorRect.bottom = bottom;
  mEditorRect.right = right;
  if (changed && mEditorOpen) mSizeRequestPending.store(true);
}

void IPlugVST::HandleEditorIdle() { SendPendingSizeRequest(); }

void IPlugVST::SendPendingSizeRequest() {
  if (!mSizeRequestPending.exchange(false)) return;
  int width = 0;
  int height = 0;
  {
    MutexGuard guard(PluginLock());
    if (!mEditorOpen) return;
    width = mEditorRect.right;
    height = mEditorRect.bottom;
  }
  char query[] = "sizeWindow";
  if (CallHost(audioMasterCanDo, 0, 0, query) == 1) CallHost(audioMasterSizeWindow, width, height);
}

void IPlugVST::HostSpecificSetup() {
  mHostSetupDone = true;
  const int code = HostIdentity();
  if (code == 15 || code == 17 || code == 18 || code == 20) ApplyHostChannelQuirk();
  mAEffect.numInputs = InputCount();
  mAEffect.numOutputs = OutputCount();
  mInputArrangement.numChannels = InputCount();
  mOutputArrangement.numChannels = OutputCount();
}

void IPlugVST::AttachEditor(IPlugEditor* newEditor) {
  if (!newEditor) return;
  MutexGuard guard(PluginLock());
  IPlugBase::AttachEditor(newEditor);
  if (editor != newEditor) return;
  mAEffect.flags |= effFlagsHasEditor;
  RefreshEditorRect();
}

void IPlugVST::ChangeLatency(int samples) {
  IPlugBase::ChangeLatency(samples);
  mAEffect.initialDelay = samples;
}

bool IPlugVST::SendMidiToHost(const IMidiMsg* message) {
  if (!message) return false;
  VstMidiEvent event;
  memset(&event, 0, sizeof(event));
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.deltaFrames = message->offset;
  event.midiData[0] = static_cast<char>(message->status);
  event.midiData[1] = static_cast<char>(message->data1);
  event.midiData[2] = static_cast<char>(message->data2);
  VstEvents events;
  memset(&events, 0, sizeof(events));
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&event);
  return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}

bool IPlugVST::SendSysExToHost(const ISysEx* message) {
  if (!message) return false;
  VstMidiSysexEvent event;
  memset(&event, 0, sizeof(event));
  event.type = kVstSysExType;
  event.byteSize = sizeof(VstMidiSysexEvent);
  event.deltaFrames = message->offset;
  event.dumpBytes = message->size;
  event.sysexDump = reinterpret_cast<char*>(const_cast<unsigned char*>(message->data));
  VstEvents events;
  memset(&events, 0, sizeof(events));
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&event);
  return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}

void IPlugVST::RequestMidiWhileProcessing() {
  if (MidiMode() != 0) CallHost(audioMasterWantMidi, 0, 0);
}

// ---------------------------------------------------------------------------------------
// Parameter accessors and processing

float IPlugVST::OnHostGetParameter(AEffect* effect, VstInt32 index) {
  IPlugVST* plug = FromAEffect(effect);
  if (!plug) return 0.f;
  MutexGuard guard(plug->PluginLock());
  IParam* param = plug->ParamAt(index);
  return param ? static_cast<float>(param->NormalizedValue()) : 0.f;
}

void IPlugVST::OnHostSetParameter(AEffect* effect, VstInt32 index, float value) {
  IPlugVST* plug = FromAEffect(effect);
  if (plug) plug->SetParamFromHost(index, static_cast<double>(value));
}

template <class Process>
void IPlugVST::RunHostBlock(AEffect* effect, VstInt32 frames, Process process) {
  IPlugVST* plug = FromAEffect(effect);
  if (!plug || frames < 0) return;
  plug->RequestMidiWhileProcessing();
  MutexGuard guard(plug->PluginLock());
  if (frames == 0) {
    RunEmptyBlock(plug);
    return;
  }
  process(plug);
}

void IPlugVST::OnHostProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                      VstInt32 frames) {
  RunHostBlock(effect, frames,
               [=](IPlugVST* plug) { plug->ProcessFloat(inputs, outputs, frames, false); });
}

void IPlugVST::OnHostProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
  RunHostBlock(effect, frames,
               [=](IPlugVST* plug) { plug->ProcessFloat(inputs, outputs, frames, true); });
}

void IPlugVST::OnHostProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                            VstInt32 frames) {
  RunHostBlock(effect, frames,
               [=](IPlugVST* plug) { plug->ProcessDouble(inputs, outputs, frames); });
}

// ---------------------------------------------------------------------------------------
// Dispatcher

VstIntPtr IPlugVST::OnHostOpcode(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                 void* ptr, float opt) {
  IPlugVST* plug = FromAEffect(effect);
  if (!plug) return 0;
  if (opcode == effClose) {
    // The lock lives inside the object: it must be free before the object goes. Taking it
    // once more waits for a block or an opcode still running on another thread.
    plug->PluginLock()->Lock();
    // A host may close without closing the editor first: stop its window (and the thread
    // that drives it) while the lock is held, so nothing reaches the effect once its
    // destruction begins.
    if (plug->Editor()) plug->Editor()->DetachFromParentWindow();
    plug->PluginLock()->Unlock();
    effect->object = nullptr;
    delete plug;
    return 0;
  }
  // Opcodes that do part of their work before taking the plug-in lock (or need none).
  switch (opcode) {
    case effOpen:
      // The host's name and version, asked before the lock is taken; the rest of the
      // opening runs under it.
      plug->AskHostIdentity();
      break;
    case effSetChunk:
      return ptr ? plug->SetChunk(index == 0, ptr, value) : 0;
    case effEditIdle:
      // The editor's own thread does all its work; there is nothing to wait for here but
      // a size change to report.
      plug->SendPendingSizeRequest();
      return 0;
    default:
      break;
  }
  VstIntPtr result;
  {
    MutexGuard guard(plug->PluginLock());
    result = plug->Dispatch(opcode, index, value, ptr, opt);
  }
  // A scale change made by the call (the host's scale call, or the desktop's scale found
  // when the editor opened) is reported once the lock is free. Only after these calls,
  // which come from the user-interface thread: others may come from the audio thread.
  if (opcode == effEditOpen || (opcode == effVendorSpecific && index == kVendorContentScale)) {
    plug->SendPendingSizeRequest();
  }
  return result;
}

VstIntPtr IPlugVST::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt) {
  switch (opcode) {
    case effOpen:
      if (!mHostSetupDone) HostSpecificSetup();
      NotifyAllParamsChanged();
      return 0;

    case effSetProgram:
      SelectPreset(ToIndex(value));
      return 0;

    case effGetProgram:
      return CurrentPreset();

    case effSetProgramName:
      if (ptr) {
        // A host name longer than a slot name is cut at the slot's length.
        char name[PresetSlot::kMaxNameLength + 1];
        CopyToHost(name, static_cast<const char*>(ptr), PresetSlot::kMaxNameLength);
        CaptureIntoCurrentPreset(name);
      }
      return 0;

    case effGetProgramName:
      if (ptr) CopyToHost(ptr, PresetName(CurrentPreset()), kMaxHostNameLength);
      return 0;

    case effGetParamLabel:
    case effGetParamName:
      if (ptr && IsValidIndex(this, index)) {
        const IParam* param = ParamAt(index);
        CopyToHost(ptr, opcode == effGetParamName ? param->ParamName() : param->UnitLabel(),
                   IParam::kMaxTextLength);
      }
      return 0;

    case effGetParamDisplay:
      if (ptr && IsValidIndex(this, index)) {
        const IParam* param = ParamAt(index);
        char text[IParam::kFormatBufferSize];
        param->FormatForHost(param->current, false, text, sizeof(text));
        CopyToHost(ptr, text, IParam::kMaxTextLength);
      }
      return 0;

    case effSetSampleRate:
      // A rate that is no positive finite number is refused: everything derived from it
      // (the delay length) would be meaningless.
      if (std::isfinite(opt) && opt > 0.f) SetSampleRate(static_cast<double>(opt));
      HandleReset();
      return 0;

    case effSetBlockSize:
      // Non-positive sizes are refused (the scratch buffers keep their size); sizes above
      // kMaxHostBlockSize are clamped, longer calls are then processed in pieces.
      if (value > 0)
        ChangeBlockSize(value > kMaxHostBlockSize ? kMaxHostBlockSize : static_cast<int>(value));
      HandleReset();
      return 0;

    case effMainsChanged:
      if (value == 0) {
        HandleActivation(false);
        HandleReset();
      } else {
        HandleActivation(true);
      }
      return 0;

    case effEditGetRect:
      if (ptr && editor) {
        *static_cast<ERect**>(ptr) = &mEditorRect;
        return 1;
      }
      return 0;

    case effEditOpen:
      // Open already while it opens: a scale found on the way changes the size the host
      // asked for before.
      mEditorOpen = true;
      mEditorOpen = OpenEditor(ptr);
      return mEditorOpen ? 1 : 0;

    case effEditClose:
      mEditorOpen = false;
      mSizeRequestPending.store(false);
      return CloseEditor() ? 1 : 0;

    case effIdentify:
      return kIdentifyAnswer;

    case effGetChunk:
      return ptr ? GetChunk(index == 0, static_cast<void**>(ptr)) : 0;

    case effSetChunk:
      return ptr ? SetChunk(index == 0, ptr, value) : 0;

    case effProcessEvents: {
      if (!ptr) return 0;
      const VstEvents* events = static_cast<const VstEvents*>(ptr);
      for (int i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->events[i];
        if (!event) continue;
        if (event->type == kVstMidiType) {
          const VstMidiEvent* midi = reinterpret_cast<const VstMidiEvent*>(event);
          IMidiMsg message;
          message.offset = midi->deltaFrames;
          message.status = static_cast<unsigned char>(midi->midiData[0]);
          message.data1 = static_cast<unsigned char>(midi->midiData[1]);
          message.data2 = static_cast<unsigned char>(midi->midiData[2]);
          HandleMidiMessage(&message);
        } else if (event->type == kVstSysExType) {
          const VstMidiSysexEvent* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
          if (!sysex->sysexDump || sysex->dumpBytes < 0) continue;
          ISysEx message;
          message.offset = sysex->deltaFrames;
          message.data = reinterpret_cast<const unsigned char*>(sysex->sysexDump);
          message.size = sysex->dumpBytes;
          HandleSysExMessage(&message);
        }
      }
      return 1;
    }

    case effCanBeAutomated:
      return 1;

    case effString2Parameter:
      return StringToParameter(index, static_cast<const char*>(ptr));

    case effGetProgramNameIndexed: {
      if (!ptr) return 0;
      const char* name = PresetName(index);
      CopyToHost(ptr, name, kMaxHostNameLength);
      return name[0] ? 1 : 0;
    }

    case effGetInputProperties:
    case effGetOutputProperties:
      return PinProperties(opcode == effGetInputProperties, index,
                           static_cast<VstPinProperties*>(ptr));

    case effGetPlugCategory:
      return IsInstrument() ? kPlugCategSynth : kPlugCategEffect;

    case effProcessVarIo:
      return 0;

    case effSetSpeakerArrangement:
      SetSpeakerArrangement(reinterpret_cast<const VstSpeakerArrangement*>(value),
                            static_cast<const VstSpeakerArrangement*>(ptr));
      return 1;

    case effGetEffectName:
    case effGetVendorString:
    case effGetProductString: {
      if (!ptr) return 0;
      const char* text = opcode == effGetEffectName     ? EffectName()
                         : opcode == effGetVendorString ? VendorName()
                                                        : ProductName();
      CopyToHost(ptr, text, kMaxEffectNameLength);
      return 1;
    }

    case effGetVendorVersion:
      return EffectVersion(true);

    case effVendorSpecific:
      return VendorSpecific(index, value, ptr, opt);

    case effCanDo:
      return CanDo(static_cast<const char*>(ptr));

    case effGetVstVersion:
      return 2400;

    case effGetMidiKeyName: {
      if (!ptr) return 0;
      MidiKeyName* key = static_cast<MidiKeyName*>(ptr);
      key->keyName[0] = '\0';
      return LookupMidiKeyName(key->thisKeyNumber, key->keyName, sizeof(key->keyName)) ? 1 : 0;
    }

    case effGetSpeakerArrangement:
      if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &mInputArrangement;
      if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = &mOutputArrangement;
      return 1;

    default:
      return 0;
  }
}

VstIntPtr IPlugVST::CanDo(const char* query) {
  if (!query) return 0;
  if (HostStringEquals(query, "receiveVstTimeInfo")) return 1;
  if (HostStringEquals(query, "sendVstEvents") || HostStringEquals(query, "sendVstMidiEvent")) {
    return (MidiMode() & 1) ? 1 : 0;
  }
  if (HostStringEquals(query, "receiveVstEvents") ||
      HostStringEquals(query, "receiveVstMidiEvent")) {
    return (MidiMode() == 1 || MidiMode() == 2) ? 1 : 0;
  }
  if (HostStringEquals(query, "hasCockosExtensions")) {
    mHostExtensionFlags |= kHostAskedExtensions;
    return kExtensionAnswer;
  }
  if (HostStringEquals(query, "hasCockosViewAsConfig")) {
    mHostExtensionFlags |= kHostAskedViewAsConfig;
    return kExtensionAnswer;
  }
  return 0;
}

VstIntPtr IPlugVST::VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  const int paramIndex = ToIndex(value);
  switch (index) {
    case kVendorFormatValue: {
      if (!ptr) return 0;
      const IParam* param = ParamAt(paramIndex);
      if (param) {
        // The normalized value is brought into 0 ... 1 first (NaN reads as 0): outside
        // that range the formatted number would be meaningless or overflow an int.
        const double x = std::isfinite(opt) ? (opt < 0.f ? 0.0 : (opt > 1.f ? 1.0 : opt)) : 0.0;
        char text[IParam::kFormatBufferSize];
        param->FormatForHost(x, true, text, sizeof(text));
        CopyToHost(ptr, text, IParam::kMaxTextLength);
      }
      return kVendorHandled;
    }
    case kVendorIsSwitch: {
      const IParam* param = ParamAt(paramIndex);
      if (!param) return 0;
      const ParamKind kind = param->Kind();
      if (kind == KindBool) return kVendorHandled;
      if ((kind == KindInt || kind == KindEnum) &&
          std::fabs(param->Highest() - param->Lowest()) < 1.5) {
        return kVendorHandled;
      }
      return 0;
    }
    case kVendorParseText: {
      if (!ptr) return 0;
      const IParam* param = ParamAt(paramIndex);
      if (!param) return 0;
      char* text = static_cast<char*>(ptr);
      if (text[0]) {
        const double normalized = param->NormalizedFromText(text);
        // "0." plus 17 digits: 19 characters and the terminator.
        snprintf(text, 20, "%.17f", normalized);
      }
      return kVendorHandled;
    }
    case kRenderEditorCall:
      return RenderEditorInto(ptr, value, opt);
    case kVendorContentScale:
      if (value != kContentScaleValue || !editor || !std::isfinite(opt) || opt <= 0.f) return 0;
      editor->SetHostScale(static_cast<double>(opt));
      return 1;
    case kVendorHostCall:
      if (value == kHostCallWheel && editor) {
        return editor->RouteHostWheel(opt);
      }
      return 0;
    default:
      return 0;
  }
}

VstIntPtr IPlugVST::RenderEditorInto(void* buffer, VstIntPtr size, float scale) {
  // 0 asks for the current scale; anything else must be a finite positive factor.
  if (!editor || !std::isfinite(scale) || scale < 0.f) return 0;
  if (!buffer) {
    int width = 0, height = 0;
    if (scale == 0.f || !editor->PictureSize(scale, &width, &height)) return 0;
    return (static_cast<VstIntPtr>(width) << 16) | height;
  }
  return editor->CopyScaledPictureBgra(scale, static_cast<unsigned char*>(buffer), size)
             ? kRenderEditorDone
             : 0;
}

VstIntPtr IPlugVST::StringToParameter(VstInt32 index, const char* text) {
  if (!IsValidIndex(this, index)) return 0;
  return SetParamFromText(index, text) ? 1 : 0;
}

VstIntPtr IPlugVST::PinProperties(bool input, VstInt32 index, VstPinProperties* properties) {
  const int count = input ? InputCount() : OutputCount();
  if (!properties || index < 0 || index >= count) return 0;
  properties->flags = kVstPinIsActive;
  if (index % 2 == 0 && index < count - 1) properties->flags |= kVstPinIsStereo;
  snprintf(properties->label, sizeof(properties->label), input ? "Input %d" : "Output %d",
           index + 1);
  return 1;
}

void IPlugVST::SetSpeakerArrangement(const VstSpeakerArrangement* inputs,
                                     const VstSpeakerArrangement* outputs) {
  if (inputs) {
    const int n = inputs->numChannels < 0 ? 0 : inputs->numChannels;
    ConnectInputs(0, n, true);
    ConnectInputs(n, InputCount() - n, false);
    // An input that stops being connected reads its scratch buffer from now on: clear
    // it, or the last block converted into it would be played into the line forever.
    for (int i = n; i < InputCount(); ++i) {
      InputLane* lane = InputLaneAt(i);
      if (lane && lane->scratch.Items()) {
        memset(lane->scratch.Items(), 0,
               sizeof(double) * static_cast<size_t>(lane->scratch.Count()));
      }
    }
  }
  if (outputs) {
    const int n = outputs->numChannels < 0 ? 0 : outputs->numChannels;
    ConnectOutputs(0, n, true);
    ConnectOutputs(n, OutputCount() - n, false);
  }
}

// ---------------------------------------------------------------------------------------
// Chunks

VstIntPtr IPlugVST::GetChunk(bool isBank, void** data) {
  StateChunk& chunk = isBank ? mBankChunk : mProgramChunk;
  if (!SaveStateChunk(isBank, chunk) || chunk.Size() <= 0) return 0;
  *data = chunk.Data();
  return chunk.Size();
}

const StateChunk* IPlugVST::OwnChunkHolding(const void* data) const {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  for (const StateChunk* chunk : {&mProgramChunk, &mBankChunk}) {
    const unsigned char* own = chunk->Data();
    if (own && bytes >= own && bytes < own + chunk->Size()) return chunk;
  }
  return nullptr;
}

VstIntPtr IPlugVST::SetChunk(bool isBank, const void* data, VstIntPtr size) {
  // Sizes outside 1 ... kMaxHostChunkBytes are refused before anything changes: an empty
  // chunk holds no state, and a negative or absurd size is a host error.
  if (!data || size <= 0 || size > kMaxHostChunkBytes) return 0;
  const int n = static_cast<int>(size);

  // The host's bytes are copied before the plug-in lock is taken, so that neither the
  // allocation nor the copy (up to kMaxHostChunkBytes) keeps a block waiting. The copy is
  // declared first so that it is released after the lock. Only a host handing back the
  // very block effGetChunk gave it is copied under the lock: that block is ours and may
  // change with the next effGetChunk.
  StateChunk copy;
  bool copied = false;
  {
    MutexGuard guard(PluginLock());
    const StateChunk* own = OwnChunkHolding(data);
    if (own) {
      // A size reaching past the end of our block is a host error.
      if (static_cast<const unsigned char*>(data) + n > own->Data() + own->Size()) return 0;
      if (!copy.AppendBytes(data, n)) return 0;
      copied = true;
    }
  }
  if (!copied && !copy.AppendBytes(data, n)) return 0;
  if (copy.Size() != n) return 0;

  MutexGuard guard(PluginLock());
  return LoadStateChunk(isBank, copy) ? 1 : 0;
}
