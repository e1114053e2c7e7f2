#include "plug/IParam.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text_copy.h"

namespace {

// Truncates toward zero into an int; false when x is not finite or does not fit, so no
// caller ever converts NaN or a huge double.
bool TruncateToInt(double x, int* out) {
  if (!std::isfinite(x)) return false;
  const double t = std::trunc(x);
  if (t < static_cast<double>(INT_MIN) || t > static_cast<double>(INT_MAX)) return false;
  *out = static_cast<int>(t);
  return true;
}

// A step counts as whole when it is within rounding noise of an integer: 0.07 scaled
// by ten twice is 7.000000000000001, which should give two decimals, not six.
bool IsWhole(double step) {
  const double nearest = std::floor(step + 0.5);
  if (nearest == 0.0) return step == 0.0;
  return std::fabs(step - nearest) <= 1e-12 * std::fabs(nearest);
}

}  // namespace

IParam::IParam()
    : kind(KindNone),
      current(0.0),
      defaultValue(0.0),
      lowest(0.0),
      highest(1.0),
      stepSize(1.0),
      curve(1.0),
      decimals(0),
      invertDisplay(false),
      valueTexts(4096) {
  paramName[0] = 0;
  unitLabel[0] = 0;
}

void IParam::DefineDouble(const char* name, double initialValue, double minValue,
                          double maxValue, double step, const char* label) {
  if (kind == KindNone) kind = KindDouble;
  CopyTextCut(paramName, name, kMaxTextLength);
  CopyTextCut(unitLabel, label, kMaxTextLength);
  lowest = minValue;
  current = initialValue;
  defaultValue = initialValue;
  highest = maxValue < minValue + step ? minValue + step : maxValue;
  stepSize = step;

  decimals = 0;
  double scaled = step;
  while (decimals < 6 && std::isfinite(scaled) && !IsWhole(scaled)) {
    ++decimals;
    scaled *= 10.0;
  }
}

void IParam::DefineInt(const char* name, int initialValue, int minValue, int maxValue,
                       const char* label) {
  if (kind == KindNone) kind = KindInt;
  DefineDouble(name, initialValue, minValue, maxValue, 1.0, label);
}

void IParam::DefineEnum(const char* name, int initialValue, int count, const char* label) {
  if (kind == KindNone) kind = KindEnum;
  DefineDouble(name, initialValue, 0.0, static_cast<double>(count) - 1.0, 1.0, label);
}

bool IParam::AddDisplayText(int value, const char* text) {
  const int n = valueTexts.Count();
  if (n == INT_MAX) return false;
  valueTexts.SetCount(n + 1);
  if (valueTexts.Count() != n + 1) return false;
  DisplayText& entry = valueTexts.Items()[n];
  entry.forValue = value;
  CopyTextCut(entry.text, text, kMaxTextLength);
  return true;
}

void IParam::SetFromNormalized(double x) {
  const double v = FromNormalized(x);
  if (!std::isnan(v)) current = v;
}

double IParam::FromNormalized(double x) const {
  if (!std::isfinite(x)) return std::nan("");
  double v = std::pow(x, curve) * (highest - lowest) + lowest;
  if (kind != KindDouble && stepSize > 0.0 && std::isfinite(stepSize)) {
    v = std::floor(v / stepSize + 0.5) * stepSize;
  }
  if (std::isnan(v)) return v;
  // A normalized value outside 0 ... 1 from a host must not leave the range: list
  // parameters index tables with their value.
  if (v < lowest) v = lowest;
  return v < highest ? v : highest;
}

double IParam::ToNormalized(double v) const {
  if (std::isnan(v) || v < lowest) v = lowest;
  if (v > highest) v = highest;
  const double range = highest - lowest;
  if (!(range > 0.0)) return 0.0;
  const double result = std::pow((v - lowest) / range, 1.0 / curve);
  return std::isfinite(result) ? result : 0.0;
}

void IParam::SetClamped(double v) {
  if (std::isnan(v) || v < lowest) v = lowest;
  if (v > highest) v = highest;
  current = v;
}

void IParam::Bounds(double* minValue, double* maxValue) const {
  if (minValue) *minValue = lowest;
  if (maxValue) *maxValue = highest;
}

const char* IParam::DisplayTextFor(int value) const {
  const DisplayText* entries = valueTexts.Items();
  const int n = valueTexts.Count();
  for (int i = 0; i < n; ++i) {
    if (entries[i].forValue == value) return entries[i].text;
  }
  return "";
}

const char* IParam::DisplayTextAt(int i, int* value) const {
  if (i < 0 || i >= valueTexts.Count()) return nullptr;
  const DisplayText& entry = valueTexts.Items()[i];
  if (value) *value = entry.forValue;
  return entry.text;
}

bool IParam::ValueForDisplayText(const char* text, int* value) const {
  if (!text) return false;
  const DisplayText* entries = valueTexts.Items();
  const int n = valueTexts.Count();
  for (int i = 0; i < n; ++i) {
    if (strcmp(entries[i].text, text) == 0) {
      if (value) *value = entries[i].forValue;
      return true;
    }
  }
  return false;
}

void IParam::FormatForHost(double x, bool isNormalized, char* out, int outSize) const {
  if (!out || outSize <= 0) return;
  if (isNormalized) x = std::pow(x, curve) * (highest - lowest) + lowest;

  int whole = 0;
  if (TruncateToInt(x, &whole)) {
    const DisplayText* entries = valueTexts.Items();
    const int n = valueTexts.Count();
    for (int i = 0; i < n; ++i) {
      if (entries[i].forValue != whole) continue;
      if (entries[i].text[0]) {
        snprintf(out, static_cast<size_t>(outSize), "%s", entries[i].text);
        return;
      }
      break;
    }
  }

  if (invertDisplay) x = -x;
  if (x == 0.0) {
    snprintf(out, static_cast<size_t>(outSize), "0");
  } else if (decimals > 0) {
    snprintf(out, static_cast<size_t>(outSize), "%.*f", decimals, x);
  } else if (TruncateToInt(x, &whole)) {
    snprintf(out, static_cast<size_t>(outSize), "%d", whole);
  } else {
    // Not finite, or beyond int: print the truncated double instead of converting it.
    snprintf(out, static_cast<size_t>(outSize), "%.0f", std::isfinite(x) ? std::trunc(x) : x);
  }
}

double IParam::ValueFromText(const char* text) const {
  if (!text) return 0.0;
  int value = 0;
  if (DisplayTextCount() > 0 && ValueForDisplayText(text, &value)) return value;
  double v = strtod(text, nullptr);
  // "nan" is no number to a user; it reads as 0 like any other non-number.
  if (std::isnan(v)) v = 0.0;
  return invertDisplay ? -v : v;
}

double IParam::NormalizedFromText(const char* text) const { return ToNormalized(ValueFromText(text)); }
