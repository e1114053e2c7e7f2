// One automatable parameter: kind, real value, range, step, response curve, name, unit
// label and an optional table of texts shown instead of numbers.
//
// Hosts and controls speak normalized values (0 ... 1); the DSP reads `current`, the real
// value.
//
// Threading: IParam has no lock of its own. The Define* and AddDisplayText calls run on
// the constructing thread before any host call. Every later change of `current` (host,
// editor, state reader) and every read by the audio thread happens while the owning
// plug-in's lock (IPlugBase::PluginLock) is held.
#pragma once

#include "base/heap_buf.h"

enum ParamKind { KindNone = 0, KindBool = 1, KindInt = 2, KindEnum = 3, KindDouble = 4 };

class IParam {
 public:
  // Longest name, label or display text; longer texts are cut.
  static constexpr int kMaxTextLength = 31;
  // A buffer of this size holds every FormatForHost output without cutting.
  static constexpr int kFormatBufferSize = 64;

  struct DisplayText {
    int forValue;
    char text[kMaxTextLength + 1];
  };

  IParam();

  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // --- Definition (constructing thread, before any host call) ---
  // Null name or label reads as the empty text.
  void DefineDouble(const char* name, double initialValue, double minValue, double maxValue,
                    double step, const char* label = "");
  void DefineInt(const char* name, int initialValue, int minValue, int maxValue,
                 const char* label = "");
  void DefineEnum(const char* name, int initialValue, int count, const char* label = "");
  // Appends (value, text); false (table unchanged) when the table could not grow.
  bool AddDisplayText(int value, const char* text);

  // --- Use (caller holds the plug-in lock where threads meet) ---
  // Sets `current` from a normalized value; a non-finite x leaves the parameter unchanged.
  void SetFromNormalized(double x);
  // The real value SetFromNormalized would store for x (curve, step, range), without
  // storing it; NaN for a non-finite x.
  double FromNormalized(double x) const;
  // Normalized value of a real value, clamped into 0 ... 1 (NaN gives 0).
  double ToNormalized(double v) const;
  double NormalizedValue() const { return ToNormalized(current); }
  // Stores v clamped into lowest ... highest; NaN gives lowest. Used by the state reader
  // and by typed entry from the host.
  void SetClamped(double v);

  const char* ParamName() const { return paramName; }
  const char* UnitLabel() const { return unitLabel; }
  void Bounds(double* minValue, double* maxValue) const;
  ParamKind Kind() const { return static_cast<ParamKind>(kind); }
  // The value given at definition (what a host offers as the default).
  double DefaultValue() const { return defaultValue; }
  double Lowest() const { return lowest; }
  double Highest() const { return highest; }
  double StepSize() const { return stepSize; }
  double Curve() const { return curve; }
  int Decimals() const { return decimals; }
  bool InvertDisplay() const { return invertDisplay; }

  int DisplayTextCount() const { return valueTexts.Count(); }
  // Text of the first entry for value, or the empty text.
  const char* DisplayTextFor(int value) const;
  // Entry i of the table (its value into *value when non-null), or null for a bad i.
  const char* DisplayTextAt(int i, int* value) const;
  // True and the entry's value for the first entry whose text equals text exactly.
  bool ValueForDisplayText(const char* text, int* value) const;

  // Writes the text shown for a value (normalized or real) into out (outSize bytes,
  // always NUL-terminated when outSize > 0). The unit label is not included.
  void FormatForHost(double x, bool isNormalized, char* out, int outSize) const;
  // Real value typed by a user: a display text's value, else the leading decimal number
  // (0 when none), negated when the display is inverted. Null text gives 0.
  double ValueFromText(const char* text) const;
  // The normalized value of ValueFromText: the one parsing path of typed values (the
  // editor's entry field and the host's text-to-parameter call).
  double NormalizedFromText(const char* text) const;

 private:
  // The real value of a normalized one, rounded to the step and clamped into the range;
  // false (*real untouched) when x is not finite or gives no number.
  bool RealFromNormalized(double x, double* real) const;

  int kind;

 public:
  // Real value; read directly by the DSP and the state writer.
  double current;

 private:
  double defaultValue;
  double lowest;
  double highest;
  double stepSize;
  double curve;
  int decimals;
  char paramName[kMaxTextLength + 1];
  char unitLabel[kMaxTextLength + 1];
  bool invertDisplay;
  WDL_TypedBuf<DisplayText> valueTexts;
};
