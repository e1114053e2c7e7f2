// Identity, parameters, editor layout and factory presets of the effect.
#include "effect/quelora2.h"

#include "graphics/IGraphics.h"
#include "graphics/knob_controls.h"
#include "graphics/platform_editor.h"
#include "graphics/radio_buttons.h"
#include "graphics/slider_controls.h"
#include "graphics/url_control.h"
#include "resources/embedded_images.h"

namespace {

// The name hosts list.
const char* const kEffectName = "Quelora 2";
// Version 1.2.0 and the four-character identities 'k2qz' and 'Obvi' (big-endian).
constexpr int kEffectVersion = 0x00010200;
constexpr int kEffectId = 0x6B32717A;
constexpr int kVendorId = 0x4F627669;

// The editor images compiled into the module (none on Windows, whose editor reads the
// DLL's resources).
bool FindEditorPng(int resourceId, const char* fileName, const unsigned char** bytes, int* size) {
  const EmbeddedImage* image = FindEmbeddedImage(resourceId);
  if (!image) image = FindEmbeddedImageByName(fileName);
  if (!image) return false;
  *bytes = image->data;
  *size = image->size;
  return true;
}

const char* const kNoteTexts[kNumNoteValues] = {
    "1/64", "1/32T", "1/64D", "1/32", "1/16T", "1/32D", "1/16", "1/8T", "1/16D",
    "1/8",  "1/4T",  "1/8D",  "1/4",  "1/2T",  "1/4D",  "1/2",  "1/1T", "1/2D",
    "1/1",  "2/1T",  "1/1D",  "2/1",  "4/1T",  "2/1D",  "4/1"};

const char* const kPositionTexts[4] = {"left", "right", "ping pong", "inv pong"};

}  // namespace

VSTCLASS::VSTCLASS(EffectHostLink host)
    : EffectAdapter(host, kNumParams, "1-1 2-2", kNumPresets, kEffectName, "", "Obvik",
                    kEffectVersion, kEffectId, kVendorId, /*latencySamples=*/0,
                    /*midiMode=*/0, /*wantsChunks=*/false, /*isInstrument=*/false),
      DelayLine(nullptr),
      lineCapacity(0),
      lineWritten(0),
      wholeNoteSamples(0.0),
      lastTempo(0.0),
      tapA(0.0),
      tapB(0.0),
      targetPan(0.f),
      currentPan(-1.f),
      feedbackGain(0.f),
      wetGain(0.f),
      dryGain(0.f),
      panGlideStep(kPanGlideStep),
      targetDelay(0),
      currentDelay(0),
      newDelay(0),
      lineLength(0),
      writePos(0),
      crossfadeLength(kDelayCrossfadeSamples),
      crossfadeCountdown(0),
      lineReady(false),
      positionMode(kModeLeft),
      settledMode(kModeLeft),
      rateDelay(0),
      width(0.f) {
  IParam* rate = ParamAt(kDelayRate);
  if (rate) {
    rate->DefineEnum("Delay Rate", 12, kNumNoteValues, "");
    for (int i = 0; i < kNumNoteValues; ++i) rate->AddDisplayText(i, kNoteTexts[i]);
  }
  IParam* position = ParamAt(kPosition);
  if (position) {
    position->DefineEnum("Position", kModeLeft, 4, "");
    for (int i = 0; i < 4; ++i) position->AddDisplayText(i, kPositionTexts[i]);
  }
  if (IParam* p = ParamAt(kPanWidth)) p->DefineInt("Pan Width", 90, 0, 100, "%");
  if (IParam* p = ParamAt(kFeedback)) p->DefineInt("Feedback", 60, 0, 99, "%");
  if (IParam* p = ParamAt(kDryMix)) p->DefineInt("Dry Mix", 100, 0, 100, "%");
  if (IParam* p = ParamAt(kWetMix)) p->DefineInt("Wet Mix", 50, 0, 100, "%");

  // The editor is built and attached here, once the parameters exist (it shows their
  // values) and before the presets are filled.
  BuildEditor();

  FillDefaultPresets("---- default ----", 1);
  //                               rate pos width fb dry wet
  AddFactoryPreset("Classic Delay", {9, 2, 90, 60, 70, 60});
  AddFactoryPreset("Bright Room", {0, 2, 100, 60, 100, 70});
  AddFactoryPreset("Dark Room", {1, 2, 90, 50, 60, 60});
  AddFactoryPreset("Etheric Room", {1, 3, 100, 90, 90, 50});
  AddFactoryPreset("Resonant Room", {0, 2, 100, 80, 100, 60});
  AddFactoryPreset("Distant Echoes", {21, 0, 100, 60, 60, 50});
  AddFactoryPreset("Distant Echoes 2", {20, 1, 100, 70, 60, 40});
  AddFactoryPreset("Harp", {3, 2, 90, 90, 70, 50});
  AddFactoryPreset("Long Delay", {9, 2, 90, 80, 80, 70});
  AddFactoryPreset("Very Long Delay", {9, 3, 90, 90, 70, 50});
  AddFactoryPreset("Don't Stop", {9, 2, 90, 96, 70, 70});
  AddFactoryPreset("Light Drops", {2, 3, 90, 80, 70, 50});
  AddFactoryPreset("Only Delay", {12, 2, 90, 60, 0, 90});
  AddFactoryPreset("Quiet Delay", {6, 2, 90, 80, 50, 30});
  AddFactoryPreset("Relaxation", {6, 2, 90, 80, 60, 40});
  AddFactoryPreset("Stereo Enhanced", {9, 2, 100, 70, 100, 70});

  // The gains, mode and width follow the parameters from the start, so a host that
  // processes before opening the plug-in hears the defaults rather than silence.
  NotifyAllParamsChanged();
}

void VSTCLASS::BuildEditor() {
  IGraphics* graphics =
      MakePlatformEditor(this, kEditorWidth, kEditorHeight, /*frameRate=*/0, FindEditorPng);
  if (!graphics) return;
  graphics->SetBackgroundImage(100, "img/bg.png");

  // The value read-outs of every knob and slider: slightly transparent white. The controls
  // centre their own copies.
  const IText valueText(16, IColor(230, 255, 255, 255), "Arial", /*style=*/0, /*align=*/0,
                        /*orientation=*/0, /*quality=*/0);

  IBitmap knob = graphics->FetchBitmap(101, "img/knob.png", 2);
  graphics->AddControl(new IKnobRotVal(this, kDelayRate, 93, 118, &knob, &valueText,
                                       /*textGap=*/15, /*rotationRange=*/300, /*gearing=*/4.0,
                                       /*explicitWidth=*/0, kKnobDragVertical,
                                       /*rotationWeight=*/1.0f));

  // One image of the four buttons, top to bottom "left", "right", "ping pong", "inv pong".
  IBitmap radio = graphics->FetchBitmap(103, "img/radio.png", 4);
  graphics->AddControl(new IRadioButtons(this, kPosition, 155, 80, &radio,
                                         /*wholeGroupImage=*/true, /*horizontal=*/false, 0, 0, 0));

  IBitmap knob2 = graphics->FetchBitmap(102, "img/knob2.png", 2);
  graphics->AddControl(new IKnobRotVal(this, kPanWidth, 287, 131, &knob2, &valueText, 13, 300,
                                       4.0, 0, kKnobDragVertical, 1.0f));
  graphics->AddControl(new IKnobRotVal(this, kFeedback, 386, 131, &knob2, &valueText, 13, 300,
                                       4.0, 0, kKnobDragVertical, 1.0f));

  const IColor fill(255, 130, 130, 130);
  const IRECT dryRect(442, 83, 478, 184);
  IBitmap handle = graphics->FetchBitmap(104, "img/slider.png", 1);
  graphics->AddControl(new ISlider(this, kDryMix, &dryRect, &handle, &valueText, /*length=*/84,
                                   /*horizontal=*/false, &fill, /*fillWidth=*/10,
                                   /*endOffset=*/1, /*vertical=*/true));
  const IRECT wetRect(486, 83, 522, 184);
  handle = graphics->FetchBitmap(104, "img/slider.png", 1);
  graphics->AddControl(new ISlider(this, kWetMix, &wetRect, &handle, &valueText, 84, false,
                                   &fill, 10, 1, true));

  const IRECT linkRect(179, 6, 371, 53);
  graphics->AddControl(new IURLControl(this, &linkRect, kPluginPageUrl, kHomePageUrl,
                                       /*caption=*/nullptr));

  AttachEditor(graphics);
}
