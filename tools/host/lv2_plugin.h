// An LV2 plug-in loaded through lilv the way a Linux DAW loads it: the bundle is read, the
// first plug-in it describes is instantiated with urid:map and the options feature (the
// block length), audio ports get stereo float buffers, control inputs their defaults, and
// an atom input that supports time:Position gets the transport (tempo, speed 1, frame).
//
// Threading: one instance, used from the tool's only thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/host/options.h"
#include "tools/host/status.h"

// True when path names a directory holding a manifest.ttl (an LV2 bundle).
bool IsLv2Bundle(const std::string& path);

class Lv2Plugin {
 public:
  Lv2Plugin();
  ~Lv2Plugin();
  Lv2Plugin(const Lv2Plugin&) = delete;
  Lv2Plugin& operator=(const Lv2Plugin&) = delete;

  // Reads the bundle and finds its first plug-in. kMissingFile / kNotAPlugin.
  Status Load(const std::string& bundlePath);
  // Creates and activates the instance. kNotAPlugin when the plug-in refuses.
  Status Instantiate(double sampleRate, int maxBlock);
  // The instance switched off and on again, as a host does around a pause or a change of
  // its engine (each is idempotent).
  void Deactivate();
  void Activate();

  // Identity, ports and presets, in the layout of the VST 2.4 info.
  void PrintInfo(std::FILE* out) const;

  // A preset by exact label, else by 1-based number in label order. kUnknownName.
  Status ApplyPreset(const std::string& nameOrNumber);
  // A control input by exact name, else a unique case-blind match; the value is a number
  // (the port's plain value) or the label of one of its scale points. kUnknownName.
  Status ApplySetting(const ParameterSetting& setting);

  // Every following Run's atom input carries time:Position with this tempo (none when
  // <= 0: the runs then carry no position at all).
  void SendTransport(double bpm, int64_t frame);
  // Runs frames (<= the instantiated block) from inputs into outputs (two channels each).
  void Run(const float* const* inputs, float* const* outputs, int frames);

  int AudioInputCount() const { return static_cast<int>(audioIn_.size()); }
  int AudioOutputCount() const { return static_cast<int>(audioOut_.size()); }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::vector<uint32_t> audioIn_;
  std::vector<uint32_t> audioOut_;
};

// quelora-host info / render on an LV2 bundle (see RunInfo / RunRender).
Status RunLv2Info(const Options& options, std::FILE* out);
Status RunLv2Render(const Options& options, std::FILE* out);
