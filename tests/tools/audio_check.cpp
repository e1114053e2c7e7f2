// Test helper for the host tool's command-line tests, independent of the tool's own audio
// code: writes test signals and checks rendered files with libsndfile.
//
//   audio_check impulse OUT RATE FRAMES AT AMPLITUDE   mono 24-bit WAV, one impulse
//   audio_check check FILE [frames=N] [channels=N] [rate=N] [min-peak=P]
//                          [first-above=THRESHOLD@INDEX] [tail-peak=INDEX:MIN]
//
// check exits 0 when every condition holds, else prints each failure and exits 1.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int WriteImpulse(const char* path, int rate, long frames, long at, double amplitude) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
  SNDFILE* file = sf_open(path, SFM_WRITE, &info);
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  std::vector<float> samples(static_cast<size_t>(frames), 0.0f);
  if (at >= 0 && at < frames) samples[at] = static_cast<float>(amplitude);
  sf_writef_float(file, samples.data(), frames);
  sf_close(file);
  return 0;
}

int Check(const char* path, int argc, char** argv) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path, SFM_READ, &info);
  if (!file) {
    std::fprintf(stderr, "cannot read %s\n", path);
    return 1;
  }
  std::vector<float> samples(static_cast<size_t>(info.frames) * info.channels);
  sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);

  // Per-frame peak over the channels.
  std::vector<float> framePeak(static_cast<size_t>(info.frames), 0.0f);
  for (sf_count_t f = 0; f < info.frames; ++f) {
    for (int c = 0; c < info.channels; ++c) {
      framePeak[f] = std::fmax(framePeak[f], std::fabs(samples[f * info.channels + c]));
    }
  }
  auto peakFrom = [&](long start) {
    float peak = 0.0f;
    for (sf_count_t f = start; f < info.frames; ++f) peak = std::fmax(peak, framePeak[f]);
    return peak;
  };

  int failures = 0;
  auto fail = [&](const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", path, what.c_str());
    ++failures;
  };
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    size_t eq = arg.find('=');
    std::string key = arg.substr(0, eq);
    std::string value = eq == std::string::npos ? "" : arg.substr(eq + 1);
    if (key == "frames" && info.frames != std::atol(value.c_str())) {
      fail("frames " + std::to_string(info.frames) + ", expected " + value);
    } else if (key == "channels" && info.channels != std::atoi(value.c_str())) {
      fail("channels " + std::to_string(info.channels) + ", expected " + value);
    } else if (key == "rate" && info.samplerate != std::atoi(value.c_str())) {
      fail("rate " + std::to_string(info.samplerate) + ", expected " + value);
    } else if (key == "min-peak" && peakFrom(0) < std::atof(value.c_str())) {
      fail("peak " + std::to_string(peakFrom(0)) + ", expected at least " + value);
    } else if (key == "first-above") {
      size_t at = value.find('@');
      double threshold = std::atof(value.substr(0, at).c_str());
      long expected = std::atol(value.substr(at + 1).c_str());
      long found = -1;
      for (sf_count_t f = 0; f < info.frames && found < 0; ++f) {
        if (framePeak[f] > threshold) found = static_cast<long>(f);
      }
      if (found != expected) {
        fail("first sample above " + value.substr(0, at) + " at " + std::to_string(found) +
             ", expected " + std::to_string(expected));
      }
    } else if (key == "tail-peak") {
      size_t colon = value.find(':');
      long start = std::atol(value.substr(0, colon).c_str());
      double minimum = std::atof(value.substr(colon + 1).c_str());
      if (peakFrom(start) < minimum) {
        fail("peak from " + std::to_string(start) + " is " + std::to_string(peakFrom(start)) +
             ", expected at least " + std::to_string(minimum));
      }
    } else if (key != "frames" && key != "channels" && key != "rate" && key != "min-peak") {
      fail("unknown condition " + arg);
    }
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "impulse" && argc == 7) {
    return WriteImpulse(argv[2], std::atoi(argv[3]), std::atol(argv[4]), std::atol(argv[5]),
                        std::atof(argv[6]));
  }
  if (command == "check" && argc >= 3) return Check(argv[2], argc - 3, argv + 3);
  std::fprintf(stderr, "usage: audio_check impulse OUT RATE FRAMES AT AMPLITUDE\n"
                       "       audio_check check FILE CONDITIONS...\n");
  return 2;
}
