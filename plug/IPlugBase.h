// The host-independent core of a plug-in instance: parameters, preset slots and state
// chunks, channel configuration and per-channel buffers, the plug-in lock, identity of
// the plug-in and of the host, and the attached editor. A format adapter (vst/ for
// VST 2.4) derives from it and supplies the host-facing operations (the pure virtual ones
// below); nothing here depends on a plug-in format.
//
// What an adapter uses, by topic (see the declarations for threads and locks):
// - parameters: ParamCount, ParamAt (name, range, step, default, display texts, unit
//   label: plug/IParam.h), SetParamFromHost, SetParamFromText, FormatForHost;
// - state: SaveStateChunk / LoadStateChunk (program or bank, with the chunk header);
// - processing: ProcessFloat / ProcessDouble (RunBlock(0) for an empty block), with the
//   tempo source the adapter supplies through HostTempo, HostSamplePosition and
//   HostTimeSignature, asked once per block under the plug-in lock;
// - programs: PresetCount, PresetName, CurrentPreset, SelectPreset;
// - editor: HasEditor, EditorSize, OpenEditor on a native parent window, CloseEditor.
//
// Threading. Two host threads meet in one instance: the user-interface thread
// (dispatcher calls, parameter get/set, the editor and its timer) and the audio thread
// (processing calls). The recursive plug-in lock (PluginLock) serializes everything that
// touches parameters, presets, state chunks and channel buffers. The adapter holds it for
// the whole of every host entry; operations marked "takes the lock" take it themselves
// (recursively, so they may be called with it held). Operations marked "lock held" rely
// on the caller holding it (or on running at construction).
#pragma once

#include <initializer_list>

#include "base/heap_buf.h"
#include "base/mutex.h"
#include "base/ptr_list.h"
#include "plug/IParam.h"
#include "plug/IPlugEditor.h"
#include "plug/host_edit_queue.h"
#include "plug/channel_lanes.h"
#include "plug/midi_message.h"
#include "plug/state_chunk.h"

class IPlugBase {
 public:
  // Longest effect, product and vendor name; longer names are cut.
  static constexpr int kMaxEffectNameLength = 127;

  // Constructing thread. Creates paramCount parameters, presetCount empty slots ("- n -")
  // and the channel records parsed from channelIoSpec ("%d-%d" tokens separated by single
  // spaces; null gives none). Negative counts act as 0; names may be null.
  IPlugBase(int paramCount, const char* channelIoSpec, int presetCount, const char* effectName,
            const char* productName, const char* vendorName, int versionCode, int pluginId,
            int vendorId, int latencySamples, int midiMode, bool wantsChunks,
            bool isInstrument);
  // Deletes the editor, then parameters, slots and channel records (last to first).
  virtual ~IPlugBase();

  IPlugBase(const IPlugBase&) = delete;
  IPlugBase& operator=(const IPlugBase&) = delete;

  // ---------------------------------------------------------------------------------
  // Virtual operations, base behaviour.

  // Dispatcher (UI thread), lock held. Base: takes and releases the lock.
  virtual void HandleReset();
  // Any thread that changed a parameter, lock held. Base: takes and releases the lock.
  virtual void HandleParamChanged(int index);
  // Audio thread, lock held. Pass-through: copies the first min(inputs, outputs) channels
  // and zero-fills the other outputs. The effect overrides it.
  virtual void RenderAudio(double** inputs, double** outputs, int frames);
  // UI thread, lock held. Base: nothing.
  virtual void HandleEditorOpened() {}
  virtual void HandleEditorClosed() {}
  // UI thread, plug-in lock not held (except under a VST 2.4 host's effEditIdle): the
  // editor has finished a pass of its work on the host's user-interface thread (the
  // Windows editor's timer; the X11 editor when the host's calls drive it). Adapters that
  // defer their host edits deliver them here. Base: nothing.
  virtual void HandleEditorIdle() {}
  // UI thread, lock held. Base: takes and releases the lock.
  virtual void HandleActivation(bool active);
  // UI thread (dispatcher), lock held. Base: nothing.
  virtual void HandleMidiMessage(const IMidiMsg* message) { (void)message; }
  virtual void HandleSysExMessage(const ISysEx* message) { (void)message; }
  // UI thread, lock held. Base: writes the empty text (when name is non-null and nameSize
  // > 0) and returns false.
  virtual bool LookupMidiKeyName(int key, char* name, int nameSize);
  // UI thread, lock held. Forward to WriteState / ReadState.
  virtual bool WriteProgramState(StateChunk& chunk) { return WriteState(chunk); }
  virtual int ReadProgramState(const StateChunk& chunk, int start) { return ReadState(chunk, start); }

  // Host-facing operations supplied by the adapter.
  // UI thread (editor). Must flush a pending deferred end of edit first.
  virtual void HostBeginParamEdit(int index) = 0;
  // UI thread (editor wheel); takes the lock. Base: HostBeginParamEdit unless that
  // parameter's deferred end is pending (a wheel gesture goes on).
  virtual void HostBeginParamEditOnce(int index);
  // UI thread, lock held (SetParamFromEditor).
  virtual void HostAutomateParam(int index, double normalized) = 0;
  // UI thread (editor, FlushPendingParamEdit).
  virtual void HostEndParamEdit(int index) = 0;
  virtual void HostRefreshDisplay() = 0;
  // Audio or UI thread, lock held.
  virtual int HostSamplePosition() = 0;
  // Audio thread (once per block), lock held. 0 when the host gives no tempo.
  virtual double HostTempo() = 0;
  // Sets both to 0 when the host gives no time signature; null pointers are skipped.
  virtual void HostTimeSignature(int* numerator, int* denominator) = 0;
  // UI thread, lock held. Base: returns hostCode (the adapter asks the host once).
  virtual int HostIdentity() { return hostCode; }
  // UI thread (editor resize), lock held.
  virtual void RefreshEditorRect() = 0;
  // UI thread (first open), lock held.
  virtual void HostSpecificSetup() = 0;
  // Constructing thread; takes the lock. Null is ignored. Pushes every parameter's
  // normalized value into the editor, calls its PrepareDrawing, then owns it.
  virtual void AttachEditor(IPlugEditor* newEditor);
  // Dispatcher, lock held. Sizes every scratch buffer to frames samples (zero-filled);
  // nothing happens when frames equals maxBlockSize. Negative acts as 0.
  virtual void ChangeBlockSize(int frames);
  // Lock held. Stores latencySamples (the adapter also reports it).
  virtual void ChangeLatency(int samples) { latencySamples = samples; }
  // Audio or UI thread, lock held.
  virtual bool SendMidiToHost(const IMidiMsg* message) = 0;
  // Audio or UI thread, lock held. Base: SendMidiToHost for each message in order; true
  // when all succeeded (also for an empty or null list).
  virtual bool SendMidiListToHost(const IMidiMsg* messages, int count);
  virtual bool SendSysExToHost(const ISysEx* message) = 0;
  // Takes the lock. One double (the real value) per parameter; false only when an
  // allocation failed.
  virtual bool WriteState(StateChunk& chunk);
  // Takes the lock. Reads one double per parameter from start (clamped into range; the
  // parameter where data runs out gets 0 clamped, later ones keep their values), then
  // HandleParamChanged for every parameter. Returns the end position or -1.
  virtual int ReadState(const StateChunk& chunk, int start);
  // Lock held. Every slot: name, flag, stored values when filled.
  virtual bool WriteBankState(StateChunk& chunk);
  // Lock held. Reads every slot, then recalls the current preset. Returns the end
  // position or -1 (slots before an incomplete record keep what was read).
  virtual int ReadBankState(const StateChunk& chunk, int start);
  // Audio or UI thread, lock held; allocates nothing. Forgets every sample processed so far
  // (delay lines, fades, glides), so that the next block sounds exactly like the first
  // block of a fresh instance at the same settings: a format's activate or reset. The
  // parameters and the host's transport are kept. Base: nothing.
  virtual void ClearHistory() {}
  // Any thread, lock held. Samples of output that may still follow the end of the input at
  // the current settings, tempo and sample rate (what an offline render must add so the
  // effect rings out); at most INT32_MAX - 1. Base: 0.
  virtual int TailSamples() const { return 0; }

  // ---------------------------------------------------------------------------------
  // Parameters.

  // Any thread, lock held. Null outside 0 ... count - 1.
  IParam* ParamAt(int index) const { return params.ItemAt(index); }
  int ParamCount() const { return params.ItemCount(); }
  // UI thread (editor); takes the lock. SetFromNormalized, HostAutomateParam,
  // HandleParamChanged. Bad indices are ignored.
  void SetParamFromEditor(int index, double normalized);
  // UI thread (editor wheel); takes the lock. With an editor: remembers index and arms
  // its gesture-end timer for max(1, frame rate / 2) ticks; without: HostEndParamEdit now.
  void EndParamEditSoon(int index);
  // UI thread (editor timer, window close, begin of another edit); takes the lock.
  // Disarms the timer and sends the pending HostEndParamEdit, if any.
  void FlushPendingParamEdit();
  // Lock held. HandleParamChanged for every index in ascending order.
  void NotifyAllParamsChanged();
  // Lock held. Pushes every parameter's real value into the editor's controls.
  void RefreshEditorControls();
  // Host automation (UI or audio thread); takes the lock. A normalized value outside
  // 0 ... 1 lands on the bounds, a non-finite one or a bad index is ignored; the editor is
  // shown the value, then HandleParamChanged.
  void SetParamFromHost(int index, double normalized);
  // A value typed in the host (UI thread); takes the lock. The same parsing as the
  // editor's entry field (IParam::NormalizedFromText); the editor is shown the value
  // stored, then HandleParamChanged. False for a bad index; a null text changes nothing.
  bool SetParamFromText(int index, const char* text);

  // ---------------------------------------------------------------------------------
  // Edits deferred to the host's own thread. Adapters whose format allows host calls only
  // on a particular thread (the LV2 UI, VST 3 controllers, CLAP) queue the edits here in
  // their Host*ParamEdit overrides and deliver them from that thread (plug/host_edit_queue.h).

  // Lock held. Queues one edit (a value with the parameter's current real value beside
  // the normalized one); false when it had to be dropped.
  bool DeferHostEdit(HostEdit::Kind kind, int index, double normalized = 0.0);
  // Any thread; takes the lock only to swap queues. Every deferred edit moves into *into,
  // which must have been prepared with the same capacity (HostEditQueue::kDefaultCapacity);
  // what it held is dropped. True when there was at least one edit.
  bool TakeDeferredHostEdits(HostEditQueue* into);
  // Lock held.
  bool HasDeferredHostEdits() const { return !deferredEdits.Empty(); }

  // ---------------------------------------------------------------------------------
  // Presets (constructing thread, or dispatcher with the lock held).

  // Fills the count lowest unfilled slots with the current values under name ("Default"
  // when null).
  void FillDefaultPresets(const char* name, int count);
  // Fills the lowest unfilled slot with name and exactly one value per parameter (in
  // index order; values of bool, int and enum parameters are truncated to whole
  // numbers; nothing is clamped). False and nothing changed when the value count differs
  // from the parameter count or no slot is free.
  bool AddFactoryPreset(const char* name, std::initializer_list<double> values);
  bool AddFactoryPreset(const char* name, const double* values, int count);
  // Creates one filled "Default" slot when there is none.
  void EnsureOnePreset();
  // Loads a filled slot, or fills an empty one from the current values under the next
  // "user preset N" name. False for a bad index or a failed read/write.
  bool RecallPreset(int index);
  // Rewrites the current slot from the current values; a non-empty name renames it.
  void CaptureIntoCurrentPreset(const char* name);
  // Host program change (UI thread, lock held): the current values go into the current
  // slot, then slot index is recalled (a bad index only captures).
  void SelectPreset(int index);
  // The slot's name, or the empty text for a bad index.
  const char* PresetName(int index) const;
  // "user preset N", N = 1 + the number of slots whose name contains "user preset".
  void NextUserPresetName(char* name, int nameSize) const;
  int PresetCount() const { return presets.ItemCount(); }
  PresetSlot* PresetAt(int index) const { return presets.ItemAt(index); }
  int CurrentPreset() const { return currentPreset; }

  // ---------------------------------------------------------------------------------
  // State chunks (UI thread, lock held).

  // The chunk header, then the current program's values (isBank false) or, after the
  // current values were captured into the current slot, every slot. False when an
  // allocation failed.
  bool SaveStateChunk(bool isBank, StateChunk& chunk);
  // Reads a chunk written by SaveStateChunk (or an older layout the header names): a bank
  // when isBank and the chunk is new enough, else one program's values, which are then
  // captured into the current slot. The editor is refreshed. False when the data ended
  // early or was malformed (what was read before stays).
  bool LoadStateChunk(bool isBank, const StateChunk& chunk);

  // ---------------------------------------------------------------------------------
  // Editor (UI thread, lock held).

  bool HasEditor() const { return editor != nullptr; }
  // False (sizes untouched) without an editor.
  bool EditorSize(int* width, int* height) const;
  // Opens the editor inside the host's native window (X11 Window id or HWND, as a
  // pointer), then HandleEditorOpened. False without an editor or when it cannot open.
  bool OpenEditor(void* parentWindow);
  // HandleEditorClosed, then the editor's window goes. False without an editor.
  bool CloseEditor();

  // ---------------------------------------------------------------------------------
  // Identity, host and timing.

  // UI thread, lock held. Stores version and the code found for hostName (case-blind
  // substring table; 0 when nothing matches or hostName is null).
  void RecordHost(const char* hostName, int version);
  // decimal: major * 10000 + minor * 100 + patch; otherwise versionCode.
  int EffectVersion(bool decimal) const;
  // Dispatcher, lock held.
  void SetSampleRate(double rate) { sampleRate = rate; }
  // Audio thread, lock held. sampleRate / HostTempo() * 60, or 0 without a tempo.
  double SamplesPerBeat();

  const char* EffectName() const { return effectName; }
  const char* ProductName() const { return productName; }
  const char* VendorName() const { return vendorName; }
  int PluginId() const { return pluginId; }
  int VendorId() const { return vendorId; }
  int VersionCode() const { return versionCode; }
  int HostCode() const { return hostCode; }
  int HostVersion() const { return hostVersion; }
  bool WantsChunks() const { return wantsChunks; }
  bool IsInstrument() const { return isInstrument; }
  int MidiMode() const { return midiMode; }
  double SampleRate() const { return sampleRate; }
  int MaxBlockSize() const { return maxBlockSize; }
  int LatencySamples() const { return latencySamples; }
  IPlugEditor* Editor() const { return editor; }
  int PendingEditParam() const { return pendingEditParam; }
  // The plug-in lock (recursive).
  WDL_Mutex* PluginLock() { return &stateLock; }

  // ---------------------------------------------------------------------------------
  // Channels and processing (audio thread or dispatcher, lock held).

  int InputCount() const { return inChannels.ItemCount(); }
  int OutputCount() const { return outChannels.ItemCount(); }
  int ChannelPairingCount() const { return ioConfigs.ItemCount(); }
  const ChannelPairing* ChannelPairingAt(int index) const { return ioConfigs.ItemAt(index); }
  InputLane* InputLaneAt(int index) const { return inChannels.ItemAt(index); }
  OutputLane* OutputLaneAt(int index) const { return outChannels.ItemAt(index); }

  // True when some pairing matches; a negative argument matches any count.
  bool IsLegalChannelCount(int inputs, int outputs) const;
  // Channels first ... min(first + count, channel count) - 1; an unconnected channel reads
  // or writes its own scratch buffer.
  void ConnectInputs(int first, int count, bool connected);
  void ConnectOutputs(int first, int count, bool connected);
  // For each connected channel in the range, in order, the next pointer of buffers. A
  // null buffers list, or a null entry, leaves the channel on its scratch buffer (zeroed
  // for inputs). Unconnected channels in the range are pointed at their scratch buffer.
  void BindInputBuffers(int first, int count, double** buffers);
  // Converts min(frames, maxBlockSize) floats of the next buffer into scratch.
  void BindInputBuffersFloat(int first, int count, float** buffers, int frames);
  void BindOutputBuffers(int first, int count, double** buffers);
  // Points connected channels at scratch and remembers the next host pointer.
  void BindOutputBuffersFloat(int first, int count, float** buffers);
  // RenderAudio over the pointer lists (null for an empty list). frames is clamped into
  // 0 ... maxBlockSize so that scratch buffers are never overrun; use ProcessDouble /
  // ProcessFloat for longer host blocks.
  void RunBlock(int frames);
  // RunBlock, then each connected output's scratch is stored as float into (or, Adding,
  // added to) its floatTarget.
  void RunBlockFloat(int frames);
  void RunBlockFloatAdding(int frames);
  // Complete processing calls for the adapter (audio thread; take the lock): bind all
  // channels and run, splitting frames into pieces of at most maxBlockSize. Without a
  // block size (0) replacing calls zero the connected host outputs and nothing is run.
  void ProcessDouble(double** inputs, double** outputs, int frames);
  void ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate);
  // Inputs from index 2 on become unconnected; with three or more outputs, outputs from
  // index 2 on become connected.
  void ApplyHostChannelQuirk();

 protected:
  WDL_PtrList<ChannelPairing> ioConfigs;
  WDL_PtrList<IParam> params;
  WDL_PtrList<PresetSlot> presets;
  int currentPreset;
  int pendingEditParam;
  WDL_Mutex stateLock;
  char effectName[kMaxEffectNameLength + 1];
  char productName[kMaxEffectNameLength + 1];
  char vendorName[kMaxEffectNameLength + 1];
  int pluginId;
  int vendorId;
  int versionCode;
  int hostCode;
  int hostVersion;
  bool wantsChunks;
  bool isInstrument;
  int midiMode;
  double sampleRate;
  int maxBlockSize;
  int latencySamples;
  IPlugEditor* editor;
  WDL_TypedBuf<double*> inputPointers;
  WDL_TypedBuf<double*> outputPointers;
  WDL_PtrList<InputLane> inChannels;
  WDL_PtrList<OutputLane> outChannels;

 private:
  void ParseChannelIoSpec(const char* spec);
  void RunBlockFloatOutputs(int frames, bool accumulate);
  PresetSlot* LowestUnfilledSlot() const;

  // Host pointer lists offset into the block while ProcessDouble / ProcessFloat split a
  // long call; sized to the channel counts at construction so processing never allocates.
  WDL_TypedBuf<double*> splitDoubleIn;
  WDL_TypedBuf<double*> splitDoubleOut;
  WDL_TypedBuf<float*> splitFloatIn;
  WDL_TypedBuf<float*> splitFloatOut;
  // Edits waiting for the host's thread (lock held).
  HostEditQueue deferredEdits;
};
