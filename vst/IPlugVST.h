// The VST 2.4 host adapter: binds an IPlugBase to the AEffect record, the dispatcher, the
// parameter accessors, the three processing calls and the host callbacks.
//
// Threading. The host reaches an instance through the static callbacks below from two
// threads: the user-interface thread (OnHostOpcode, OnHostGetParameter,
// OnHostSetParameter) and the audio thread (OnHostProcessReplacing, OnHostProcess,
// OnHostProcessDoubleReplacing). Each of them holds the plug-in lock (PluginLock, the
// recursive mutex of the base) for its whole run, so opcodes, automation and blocks never
// interleave. Construction runs under the process-wide construction lock of the entry
// point (ConstructionLock). The host-facing overrides are documented where declared.
#pragma once

#include <atomic>

#include "plug/IPlugBase.h"
#include "vst/aeffect.h"

class IPlugVST : public IPlugBase {
 public:
  // Largest chunk effSetChunk accepts; a larger (or negative) size fails with 0. Real
  // chunks of this framework are a few kilobytes.
  static constexpr int kMaxHostChunkBytes = 16 * 1024 * 1024;
  // Largest block size effSetBlockSize accepts; larger values are clamped so that the
  // scratch buffers stay a sane size (longer host calls are then processed in pieces).
  static constexpr int kMaxHostBlockSize = 1 << 16;
  // Bounded text copies into host buffers: names and program names may be this long,
  // parameter texts (name, label, display) IParam::kMaxTextLength.
  static constexpr int kMaxHostNameLength = 255;
  // The answer to canDo queries of the host-extension family and the marker of handled
  // vendor-specific calls.
  static constexpr VstIntPtr kExtensionAnswer = static_cast<VstIntPtr>(0xBEEF0000u);
  static constexpr VstIntPtr kVendorHandled = 0xBEEF;
  // The answer to effIdentify.
  static constexpr VstIntPtr kIdentifyAnswer = FourCharCode('N', 'v', 'E', 'f');
  // effVendorSpecific indices of the host-extension family (value = parameter index):
  // format a normalized value (opt) as text into ptr; whether the parameter is a switch
  // (kVendorHandled for a bool or a two-value list); parse the text in ptr and write back
  // the normalized value as "%.17f".
  static constexpr VstInt32 kVendorFormatValue = effGetParamDisplay;
  static constexpr VstInt32 kVendorIsSwitch = 8;
  static constexpr VstInt32 kVendorParseText = effString2Parameter;
  // effVendorSpecific index of host calls; with value kHostCallWheel, opt is a wheel
  // delta for the editor.
  static constexpr VstInt32 kVendorHostCall = FourCharCode('s', 't', 'C', 'A');
  static constexpr VstIntPtr kHostCallWheel = FourCharCode('W', 'h', 'e', 'e');
  // effVendorSpecific index and value of the content-scale call several hosts make for
  // high-density displays: opt is the factor (1 = 100 %). Answered 1 when the editor took
  // it (a finite positive factor).
  static constexpr VstInt32 kVendorContentScale = FourCharCode('P', 'r', 'e', 'S');
  static constexpr VstIntPtr kContentScaleValue = FourCharCode('A', 'e', 'C', 's');

  // GetHostExtensionFlags bits.
  enum { kHostAskedExtensions = 1 << 0, kHostAskedViewAsConfig = 1 << 1 };

  // Constructing thread (entry point, under the construction lock). Fills the AEffect
  // record, marks every channel connected and sizes the scratch buffers for 1024 frames.
  IPlugVST(audioMasterCallback hostCallback, int paramCount, const char* channelIoSpec,
           int presetCount, const char* effectName, const char* productName, const char* vendorName,
           int versionCode, int pluginId, int vendorId, int latencySamples, int midiMode,
           bool wantsChunks, bool isInstrument);
  // UI thread (effClose), lock not held. Releases the chunk buffers, then the base.
  ~IPlugVST() override;

  // The record handed to the host; its object field points at this plug-in.
  AEffect* GetAEffect() { return &mAEffect; }
  // The plug-in a record belongs to, or null for a null record or object.
  static IPlugVST* FromAEffect(AEffect* effect);

  // --- Host-facing overrides of IPlugBase ---
  // UI thread (editor). Flushes a pending deferred end, then audioMasterBeginEdit.
  void HostBeginParamEdit(int index) override;
  // UI thread, lock held. audioMasterAutomate with the value as float.
  void HostAutomateParam(int index, double normalized) override;
  // UI thread. audioMasterEndEdit.
  void HostEndParamEdit(int index) override;
  // UI thread. audioMasterUpdateDisplay.
  void HostRefreshDisplay() override;
  // Audio or UI thread, lock held. Rounded transport position, 0 when unknown.
  int HostSamplePosition() override;
  // Audio thread, lock held (once per block). The host tempo when it is flagged valid,
  // finite and >= 0, else 0.
  double HostTempo() override;
  // Audio or UI thread, lock held. 0/0 when the host gives none.
  void HostTimeSignature(int* numerator, int* denominator) override;
  // UI thread, lock held. The host's name and version as AskHostIdentity recorded them
  // (asked then, should nothing have asked yet).
  int HostIdentity() override;
  // UI thread (effOpen, before the dispatcher takes the lock); takes the lock only to read
  // and record. Asks the host's name and version once, without the lock held.
  void AskHostIdentity();
  // UI thread, lock held. Editor rectangle = (0, 0, editor height, editor width). When the
  // size of an open editor changed (its scale did), the host is asked to follow with
  // audioMasterSizeWindow, if it says it can ("sizeWindow"): after the plug-in lock is
  // released (at the end of the content-scale call or of effEditOpen, or at the next
  // effEditIdle or editor idle pass), since a host may resize its window and call back
  // from there.
  void RefreshEditorRect() override;
  // UI thread, plug-in lock not held: delivers a pending size request.
  void HandleEditorIdle() override;
  // UI thread (effOpen), lock held.
  void HostSpecificSetup() override;
  // Constructing thread; takes the lock. Null is a no-op; otherwise the base attaches the
  // editor, then effFlagsHasEditor and the editor rectangle are set.
  void AttachEditor(IPlugEditor* newEditor) override;
  // Lock held. Stores the latency in the base and in initialDelay; the host is not told.
  void ChangeLatency(int samples) override;
  // Audio or UI thread, lock held. One event through audioMasterProcessEvents; true when
  // the host answers 1.
  bool SendMidiToHost(const IMidiMsg* message) override;
  bool SendSysExToHost(const ISysEx* message) override;

  // --- Static callbacks placed in the AEffect record ---
  // UI thread; takes the plug-in lock for the whole call (effClose releases it first;
  // effOpen asks the host's identity before taking it; effSetChunk copies the host's bytes
  // before taking it; effEditIdle needs none).
  static VstIntPtr OnHostOpcode(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                void* ptr, float opt);
  // UI or audio thread (automation); takes the lock.
  static float OnHostGetParameter(AEffect* effect, VstInt32 index);
  static void OnHostSetParameter(AEffect* effect, VstInt32 index, float value);
  // Audio thread; take the lock for the whole block. A call with 0 frames still runs the
  // effect's per-block work (tempo query, pan glide) on no samples; a negative count is
  // ignored.
  static void OnHostProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                     VstInt32 frames);
  static void OnHostProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
  static void OnHostProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs,
                                           VstInt32 frames);

  // The process-wide recursive lock under which the entry point constructs instances.
  static WDL_Mutex& ConstructionLock();

  int GetHostExtensionFlags() const { return mHostExtensionFlags; }
  const ERect& EditorRect() const { return mEditorRect; }

 protected:
  // Dispatcher pieces (UI thread, lock held).
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  VstIntPtr CanDo(const char* query);
  VstIntPtr VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt);
  VstIntPtr GetChunk(bool isBank, void** data);
  // Any thread; takes the lock itself, after copying the host's bytes.
  VstIntPtr SetChunk(bool isBank, const void* data, VstIntPtr size);
  // Lock held. The chunk block handed to the host that data lies in, or null.
  const StateChunk* OwnChunkHolding(const void* data) const;
  VstIntPtr StringToParameter(VstInt32 index, const char* text);
  VstIntPtr PinProperties(bool input, VstInt32 index, VstPinProperties* properties);
  void SetSpeakerArrangement(const VstSpeakerArrangement* inputs,
                             const VstSpeakerArrangement* outputs);
  // kRenderEditorCall (vst/private_calls.h): the whole editor painted off-screen at a scale
  // (0: the current one) and copied into the host's buffer as B, G, R, A bytes, top row
  // first; without a buffer the picture's size at that scale.
  VstIntPtr RenderEditorInto(void* buffer, VstIntPtr size, float scale);
  // No lock held: audioMasterSizeWindow for a size change RefreshEditorRect noted.
  void SendPendingSizeRequest();

  // Calls the host, or returns 0 when there is no callback.
  VstIntPtr CallHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.f);
  // The host's time record filtered by flags, or null.
  const VstTimeInfo* HostTimeInfo(VstInt32 filter);
  // Audio thread, before the block takes the lock. Asks the host for MIDI when the plug-in
  // uses it (the MIDI mode never changes after construction).
  void RequestMidiWhileProcessing();
  // Audio thread: what the three processing calls share — the plug-in lock for the whole
  // call, the MIDI request, and 0-frame calls (per-block work only). process(plug) binds
  // the host's buffers and renders frames > 0.
  template <class Process>
  static void RunHostBlock(AEffect* effect, VstInt32 frames, Process process);

 private:
  static void SetArrangement(VstSpeakerArrangement* arrangement, int channels);

  ERect mEditorRect;
  // Lock held: the host opened the editor (from effEditOpen until effEditClose).
  bool mEditorOpen = false;
  // An open editor's size changed; the host has not been told yet.
  std::atomic<bool> mSizeRequestPending{false};
  audioMasterCallback mHostCallback;
  VstSpeakerArrangement mInputArrangement;
  VstSpeakerArrangement mOutputArrangement;
  bool mHostSetupDone;
  // Bit 0: the host asked canDo "hasCockosExtensions"; bit 1: "hasCockosViewAsConfig".
  int mHostExtensionFlags;
  StateChunk mProgramChunk;
  StateChunk mBankChunk;
  AEffect mAEffect;
};
