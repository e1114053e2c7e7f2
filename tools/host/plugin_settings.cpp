#include "tools/host/plugin_settings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Answer of a plug-in to a vendor-specific request it understood.
constexpr VstIntPtr kVendorSpecificDone = 0xBEEF;
// Vendor-specific request: turn the text in ptr into a normalized value, written back
// into ptr as a decimal number; value = parameter index.
constexpr VstInt32 kVendorTextToNormalized = 27;
// Steps tried when a plug-in offers no conversion and a text must be found among the
// display texts.
constexpr int kDisplayScanSteps = 1000;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string ParameterList(const PluginModule& plugin) {
  std::string list;
  for (int i = 0; i < plugin.Effect()->numParams; ++i) {
    if (i) list += ", ";
    list += Quoted(plugin.ParameterName(i));
  }
  return list.empty() ? "none" : list;
}

// True when text is a number, optionally followed by the parameter's label ("50 %").
bool IsNumberInUnits(const std::string& text, const std::string& label) {
  double value = 0;
  if (ParseNumber(text, &value)) return true;
  std::string trimmedLabel = Trim(label);
  if (trimmedLabel.empty() || text.size() <= trimmedLabel.size()) return false;
  if (text.compare(text.size() - trimmedLabel.size(), trimmedLabel.size(), trimmedLabel) != 0) {
    return false;
  }
  return ParseNumber(text.substr(0, text.size() - trimmedLabel.size()), &value);
}

// Asks the plug-in to convert text; true and *normalized when it did.
bool ConvertByPlugin(const PluginModule& plugin, int index, const std::string& text,
                     double* normalized) {
  std::vector<char> buffer(std::max<size_t>(512, text.size() + 64), '\0');
  std::memcpy(buffer.data(), text.data(), text.size());
  if (plugin.Dispatch(effVendorSpecific, kVendorTextToNormalized, index, buffer.data()) !=
      kVendorSpecificDone) {
    return false;
  }
  buffer.back() = '\0';
  return ParseNumber(buffer.data(), normalized);
}

// The interface's own text entry: the plug-in parses the text and sets the parameter.
bool SetByPlugin(const PluginModule& plugin, int index, const std::string& text) {
  std::vector<char> buffer(std::max<size_t>(512, text.size() + 64), '\0');
  std::memcpy(buffer.data(), text.data(), text.size());
  return plugin.Dispatch(effString2Parameter, index, 0, buffer.data()) != 0;
}

// Looks for the text among the parameter's display texts by stepping its normalized
// value through 0..1: an exact match first, else a case-insensitive one. Leaves the
// parameter at the match, or restores original. *seen collects the distinct texts met
// (for the error message), up to kMaxListedTexts + 1.
constexpr size_t kMaxListedTexts = 32;

bool FindDisplayText(const PluginModule& plugin, int index, const std::string& text,
                     float original, std::vector<std::string>* seen) {
  const std::string wanted = Lower(text);
  int caseInsensitiveStep = -1;
  for (int step = 0; step <= kDisplayScanSteps; ++step) {
    plugin.SetParameter(index, static_cast<float>(step) / kDisplayScanSteps);
    const std::string shown = Trim(plugin.ParameterDisplay(index));
    if (shown == text) return true;
    if (caseInsensitiveStep < 0 && Lower(shown) == wanted) caseInsensitiveStep = step;
    if (seen->size() <= kMaxListedTexts &&
        std::find(seen->begin(), seen->end(), shown) == seen->end()) {
      seen->push_back(shown);
    }
  }
  if (caseInsensitiveStep >= 0) {
    plugin.SetParameter(index, static_cast<float>(caseInsensitiveStep) / kDisplayScanSteps);
    return true;
  }
  plugin.SetParameter(index, original);
  return false;
}

// Warns when a number in the parameter's units did not arrive as typed (out of range).
void WarnIfNumberChanged(const PluginModule& plugin, int index, const std::string& typed,
                         const std::string& label) {
  double wanted = 0;
  double shown = 0;
  std::string display = Trim(plugin.ParameterDisplay(index));
  std::string number = Trim(typed);
  const std::string unit = Trim(label);
  if (!unit.empty() && number.size() > unit.size() &&
      number.compare(number.size() - unit.size(), unit.size(), unit) == 0) {
    number.resize(number.size() - unit.size());
  }
  if (!ParseNumber(number, &wanted) || !ParseNumber(display, &shown)) return;
  if (std::fabs(shown - wanted) > 0.5 + 1e-3 * std::fabs(wanted)) {
    std::fprintf(stderr, "quelora-host: warning: %s=%s is out of range; using %s%s\n",
                 plugin.ParameterName(index).c_str(), typed.c_str(), display.c_str(),
                 label.c_str());
  }
}

}  // namespace

Status SelectProgram(const PluginModule& plugin, const std::string& nameOrNumber) {
  const int count = plugin.Effect()->numPrograms;
  for (int i = 0; i < count; ++i) {
    if (plugin.ProgramName(i) == nameOrNumber) {
      plugin.Dispatch(effSetProgram, 0, i);
      return Status::Ok();
    }
  }
  double number = 0;
  if (ParseNumber(nameOrNumber, &number) && number == std::floor(number) && number >= 1 &&
      number <= count) {
    plugin.Dispatch(effSetProgram, 0, static_cast<VstIntPtr>(number) - 1);
    return Status::Ok();
  }
  return Status::Fail(ExitCode::kUnknownName,
                      "unknown program " + Quoted(nameOrNumber) + " (give a name as 'info' " +
                          "lists it, or a number from 1 to " + std::to_string(count) + ")");
}

int FindParameter(const PluginModule& plugin, const std::string& name) {
  const int count = plugin.Effect()->numParams;
  int caseInsensitive = -1;
  int caseInsensitiveMatches = 0;
  for (int i = 0; i < count; ++i) {
    std::string candidate = plugin.ParameterName(i);
    if (candidate == name) return i;
    if (Lower(Trim(candidate)) == Lower(name)) {
      caseInsensitive = i;
      ++caseInsensitiveMatches;
    }
  }
  return caseInsensitiveMatches == 1 ? caseInsensitive : -1;
}

Status ApplySetting(const PluginModule& plugin, const ParameterSetting& setting) {
  const int index = FindParameter(plugin, setting.name);
  if (index < 0) {
    return Status::Fail(ExitCode::kUnknownName, "unknown parameter " + Quoted(setting.name) +
                                                    "; parameters: " + ParameterList(plugin));
  }
  const std::string name = plugin.ParameterName(index);
  const std::string label = plugin.ParameterLabel(index);
  const bool numeric = IsNumberInUnits(setting.value, label);
  const float original = plugin.GetParameter(index);

  double normalized = 0;
  bool setByPlugin = false;
  if (ConvertByPlugin(plugin, index, setting.value, &normalized)) {
    plugin.SetParameter(index, static_cast<float>(std::min(1.0, std::max(0.0, normalized))));
    setByPlugin = true;
  } else {
    setByPlugin = SetByPlugin(plugin, index, setting.value);
  }

  if (numeric) {
    if (setByPlugin) {
      WarnIfNumberChanged(plugin, index, setting.value, label);
      return Status::Ok();
    }
    double value = 0;
    if (!ParseNumber(setting.value, &value) || value < 0.0 || value > 1.0) {
      return Status::Fail(ExitCode::kUnknownName,
                          "parameter " + Quoted(name) + " takes a display text or a " +
                              "normalized value from 0 to 1 (this plug-in converts no " +
                              "numbers), got " + Quoted(setting.value));
    }
    plugin.SetParameter(index, static_cast<float>(value));
    return Status::Ok();
  }

  // A text must come back as the parameter's display text; otherwise the plug-in read it
  // as something else (commonly 0) and the render would silently be wrong.
  if (setByPlugin && Trim(plugin.ParameterDisplay(index)) == setting.value) return Status::Ok();
  std::vector<std::string> seen;
  if (FindDisplayText(plugin, index, setting.value, original, &seen)) return Status::Ok();

  std::string message = "parameter " + Quoted(name) + " has no value " + Quoted(setting.value);
  if (!seen.empty() && seen.size() <= kMaxListedTexts) {
    message += "; values: ";
    for (size_t i = 0; i < seen.size(); ++i) message += (i ? ", " : "") + Quoted(seen[i]);
  } else {
    message += " (give a value as 'info' shows it, or a number)";
  }
  return Status::Fail(ExitCode::kUnknownName, message);
}

Status ApplyProgramAndSettings(const PluginModule& plugin, const Options& options) {
  if (!options.program.empty()) {
    Status selected = SelectProgram(plugin, options.program);
    if (!selected.ok()) return selected;
  }
  for (const ParameterSetting& setting : options.settings) {
    Status applied = ApplySetting(plugin, setting);
    if (!applied.ok()) return applied;
  }
  return Status::Ok();
}
