// Quelora 2: a tempo-synchronised stereo delay. One mono delay line fed with the average of
// the two inputs; its length is a note value of the host tempo; the echoes are placed in the
// stereo field by a position mode and a width. Delay changes crossfade over 4410 samples,
// pan changes glide by 0.05 per block.
//
// Threading: the engine's overrides run under the plug-in lock. HandleParamChanged is reached
// from the UI thread (host automation, editor, presets, chunks) and from RenderAudio on the
// audio thread (after a resize); RenderAudio runs on the audio thread inside the processing
// calls; HandleActivation on the UI thread (effMainsChanged). The engine members below are
// touched only with that lock held.
#pragma once

#include <cstdint>

// The adapter this build sits on (VST 2.4 or LV2), named by the library's compile
// definition QUELORA_EFFECT_ADAPTER.
#include QUELORA_EFFECT_ADAPTER

// The effect's parameters by index.
enum EParams {
  kDelayRate = 0,
  kPosition = 1,
  kPanWidth = 2,
  kFeedback = 3,
  kDryMix = 4,
  kWetMix = 5,
  kNumParams = 6
};

// Position modes (values of kPosition).
enum EPositionMode : uint16_t {
  kModeLeft = 0,
  kModeRight = 1,
  kModePingPong = 2,
  kModeInvPong = 3
};

constexpr int kNumNoteValues = 25;
constexpr int kNumPresets = 24;

// The editor: a bitmap panel of this size in layout units (pixels at 1x; the editor draws
// it at its scale factor, see graphics/IGraphics.h).
constexpr int kEditorWidth = 550;
constexpr int kEditorHeight = 209;
// Clicking the logo opens the plug-in's page; when no browser takes it, the maker's home.
constexpr const char* kPluginPageUrl = "https://obvik.com/plugins/quelora-2/";
constexpr const char* kHomePageUrl = "https://obvik.com/";

class VSTCLASS : public EffectAdapter {
 public:
  // Samples of a delay crossfade; a fixed count that does not follow the sample rate.
  static constexpr int kDelayCrossfadeSamples = 4410;
  // Pan change per block while the pan glides towards its target.
  static constexpr float kPanGlideStep = 0.05f;
  // Longest whole note the line is sized for: "4/1" needs 4 whole notes, a pong mode twice
  // that, so the line holds 8 whole notes. This bound is a whole note at 20 BPM and
  // 192 kHz (2 304 000 samples; the line is then 18.4 M samples, 147 MB). A slower tempo
  // or a higher rate counts as no tempo: the effect passes the dry signal only.
  static constexpr double kMaxWholeNoteSamples = 4.0 * 60.0 * 192000.0 / 20.0;
  // The tempo the line is prepared for at the first activation, before any is known.
  static constexpr double kFirstTempoGuess = 120.0;

  // Constructing thread (the format's entry point).
  explicit VSTCLASS(EffectHostLink host);
  // UI thread (effClose). Releases the delay line, then the adapter and the base.
  ~VSTCLASS() override;

  // UI thread (effMainsChanged), lock held. Switching on gives the line storage for the
  // tempo last seen (before any: kFirstTempoGuess) at the current sample rate.
  void HandleActivation(bool active) override;
  // Takes the plug-in lock. Turns parameter index's value into engine settings and starts a
  // crossfade when the delay changes.
  void HandleParamChanged(int index) override;
  // Audio thread, lock held. Processes frames frames of inputs[0..1] into outputs[0..1].
  void RenderAudio(double** inputs, double** outputs, int frameCount) override;
  // Audio or UI thread (a format's activate or reset); takes the lock. The echoes are
  // forgotten and the next block starts as a fresh instance's first block: the line is
  // sized again (its storage stays, nothing is allocated), the delay applies without a fade
  // and the pan jumps to its target. The last tempo is kept.
  void ClearHistory() override;
  // Lock held. The echoes of the current settings until they fall 96 dB below the input:
  // the feedback loop's period (the rate delay, twice that in the pong modes) times the
  // repeats it takes, plus one crossfade. At the tempo last received, before any at
  // kFirstTempoGuess; 0 with the wet mix at 0.
  int TailSamples() const override;

  // Note length in whole notes of note index k (clamped into 0 ... 24), single precision.
  static float NoteLength(int k);

  // Hooks for the tests that pin the line's lazy clearing; a plug-in never sets them (null,
  // false). Set before any instance exists; read under the plug-in lock.
  struct LineTestHooks {
    // Called after every allocation and growth of the line's storage and every clear of
    // the line with the positions from ... to - 1 that hold no sample written since the
    // last clear (of the storage, or of the line's length at a clear): a test fills them
    // with NaN, so that a read of any of them shows in the output.
    void (*fillUnwritten)(double* line, int from, int to);
    // True: blocks leave out ZeroUnwrittenReads (to show that the tests catch its absence).
    bool skipUnwrittenZeroing;
  };
  static LineTestHooks sLineTestHooks;

  // Engine state, for tests and diagnostics (lock held).
  int LineLength() const { return lineLength; }
  bool HasLine() const { return lineLength > 0; }
  // Samples the line's storage holds; it only grows, whatever lengths come later.
  int LineCapacity() const { return lineCapacity; }
  // Positions 0 ... LineWritten() - 1 were written since the line was last cleared.
  int LineWritten() const { return lineWritten; }
  int CurrentDelay() const { return currentDelay; }
  int NewDelay() const { return newDelay; }
  int TargetDelay() const { return targetDelay; }
  int CrossfadeCountdown() const { return crossfadeCountdown; }
  float CurrentPan() const { return currentPan; }
  float TargetPan() const { return targetPan; }
  double WholeNoteSamples() const { return wholeNoteSamples; }

 private:
  // Samples per whole note at tempo (BPM) and the current rate; 0 without a usable line.
  double WholeNoteSamplesAt(double tempo) const;
  // Line samples for a whole note of w samples.
  static int LineSamplesFor(double w);
  // Sizes the line for a whole note of w samples (none for 0), clears it and applies the
  // delay at once. Storage is allocated only when the line outgrows every earlier length.
  void ResizeLine(double w);
  // Gives the storage room for n samples, keeping what it has when that is enough. New
  // storage is written through once here, so that the loops never fault a page in, and
  // receives the samples written since the last clear.
  bool ReserveLine(int n);
  // A cleared line reads as zeros: positions beyond the written extent that this block's
  // taps may read are zeroed before the block, so the loops see a zero-filled line.
  void ZeroUnwrittenReads(int frames);
  // Constructing thread. Creates the editor, its background and its eight controls (in
  // drawing order: background, Delay Rate knob, Position buttons, Pan Width and Feedback
  // knobs, Dry and Wet Mix sliders, link area) and attaches it.
  void BuildEditor();
  void GlidePan();
  // The per-frame loops; both produce exactly the same samples for the same state, the
  // idle one without the crossfade's work.
  void RenderIdle(const double* in0, const double* in1, double* out0, double* out1, int frames);
  void RenderCrossfade(const double* in0, const double* in1, double* out0, double* out1,
                       int frames);
  // The dry path alone, while there is no usable line.
  void RenderDryOnly(const double* in0, const double* in1, double* out0, double* out1, int frames);

  // The mono ring buffer: lineLength samples in use out of lineCapacity allocated. The length
  // is 0 until the first block, while the host gives no tempo, and when the storage could not
  // grow; the storage stays until destruction.
  double* DelayLine;
  int lineCapacity;
  // Extent written since the last clear (positions 0 ... lineWritten - 1; the writes run
  // from position 0 on, so once it reaches lineLength every position holds a written sample).
  int lineWritten;
  // Samples per whole note the line was last sized for (0: none).
  double wholeNoteSamples;
  // The last tempo that gave a line (0: none yet).
  double lastTempo;
  // This frame's samples at the full delay and at half the delay.
  double tapA;
  double tapB;
  // Pan positions 0 ... 1; the current one is negative until the first block.
  float targetPan;
  float currentPan;
  float feedbackGain;
  float wetGain;
  float dryGain;
  float panGlideStep;
  // Delays in samples: asked for by the settings; in use (faded out during a crossfade);
  // faded in during a crossfade (equal to the current one when idle).
  int targetDelay;
  int currentDelay;
  int newDelay;
  int lineLength;
  int writePos;
  int crossfadeLength;
  // -1 idle, 1 ... 4410 while a crossfade runs, 0 on the frame after its last one.
  int crossfadeCountdown;
  bool lineReady;
  uint16_t positionMode;
  // The mode in force when the last crossfade finished.
  uint16_t settledMode;
  // The delay of the Delay Rate parameter alone, and the last Pan Width (0 ... 1).
  int rateDelay;
  float width;
};
