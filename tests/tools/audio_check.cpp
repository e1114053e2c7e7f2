// Test helper for the host tool's command-line tests, independent of the tool's own audio
// code: writes test signals and checks rendered files with libsndfile.
//
//   audio_check impulse OUT RATE FRAMES AT AMPLITUDE   mono 24-bit WAV, one impulse
//   audio_check check FILE [frames=N] [channels=N] [rate=N] [min-peak=P]
//                          [first-above=THRESHOLD@INDEX] [tail-peak=INDEX:MIN]
//                          [finite-within=LIMIT]
//   audio_check same-echoes REFERENCE FILE THRESHOLD TOLERANCE
//
// check exits 0 when every condition holds, else prints each failure and exits 1.
// same-echoes compares the impulse trains of two files that may be shifted against each
// other (a host's latency, a different start): an event is a frame whose peak over the
// channels exceeds THRESHOLD. Both files are aligned at their first event; they match when
// they have the same channel count, the same events at the same offsets from the first,
// and each event's channel values agree within TOLERANCE. It prints where the first event
// is in both files ("first REFERENCE_FRAME FILE_FRAME"), then FILE's events as
// "OFFSET VALUE..." lines, and exits 0 on a match, else prints what differs and exits 1.
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

// Reads every frame as interleaved floats; false (after a message) when unreadable.
bool ReadSamples(const char* path, SF_INFO& info, std::vector<float>& samples) {
  info = SF_INFO{};
  SNDFILE* file = sf_open(path, SFM_READ, &info);
  if (!file) {
    std::fprintf(stderr, "cannot read %s\n", path);
    return false;
  }
  samples.assign(static_cast<size_t>(info.frames) * info.channels, 0.0f);
  sf_count_t read = sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  if (read != info.frames) {
    std::fprintf(stderr, "%s: read %lld of %lld frames\n", path, static_cast<long long>(read),
                 static_cast<long long>(info.frames));
    return false;
  }
  return true;
}

int Check(const char* path, int argc, char** argv) {
  SF_INFO info{};
  std::vector<float> samples;
  if (!ReadSamples(path, info, samples)) return 1;

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
    } else if (key == "finite-within") {
      // Catches a writer that produced garbage: NaN, infinities or wild values.
      double limit = std::atof(value.c_str());
      for (size_t i = 0; i < samples.size(); ++i) {
        if (!std::isfinite(samples[i]) || std::fabs(samples[i]) > limit) {
          fail("sample " + std::to_string(i / info.channels) + " channel " +
               std::to_string(i % info.channels) + " is " + std::to_string(samples[i]) +
               ", expected a finite value within " + value);
          break;
        }
      }
    } else if (key != "frames" && key != "channels" && key != "rate" && key != "min-peak") {
      fail("unknown condition " + arg);
    }
  }
  return failures == 0 ? 0 : 1;
}

struct Event {
  long offset;                // frames after the file's first event
  std::vector<float> values;  // one per channel
};

bool ReadEvents(const char* path, double threshold, int& channels, long& first,
                std::vector<Event>& events) {
  SF_INFO info{};
  std::vector<float> samples;
  if (!ReadSamples(path, info, samples)) return false;
  channels = info.channels;
  first = -1;
  for (sf_count_t f = 0; f < info.frames; ++f) {
    const float* frame = &samples[static_cast<size_t>(f) * channels];
    float peak = 0.0f;
    for (int c = 0; c < channels; ++c) peak = std::fmax(peak, std::fabs(frame[c]));
    if (!(peak > threshold)) continue;
    if (first < 0) first = static_cast<long>(f);
    events.push_back({static_cast<long>(f) - first, std::vector<float>(frame, frame + channels)});
  }
  if (events.empty()) std::fprintf(stderr, "%s: nothing above %g\n", path, threshold);
  return !events.empty();
}

int SameEchoes(const char* reference, const char* path, double threshold, double tolerance) {
  int refChannels = 0, channels = 0;
  long refFirst = -1, first = -1;
  std::vector<Event> expected, actual;
  if (!ReadEvents(reference, threshold, refChannels, refFirst, expected)) return 1;
  if (!ReadEvents(path, threshold, channels, first, actual)) return 1;
  std::printf("first %ld %ld\n", refFirst, first);
  for (const Event& e : actual) {
    std::printf("%ld", e.offset);
    for (float v : e.values) std::printf(" %.6f", v);
    std::printf("\n");
  }
  if (channels != refChannels) {
    std::fprintf(stderr, "%s: %d channels, reference %d\n", path, channels, refChannels);
    return 1;
  }
  int failures = 0;
  for (size_t i = 0; i < expected.size() || i < actual.size(); ++i) {
    if (i >= actual.size() || i >= expected.size()) {
      const Event& e = i < actual.size() ? actual[i] : expected[i];
      std::fprintf(stderr, "%s: event at +%ld only in %s\n", path, e.offset,
                   i < actual.size() ? "this file" : "the reference");
      ++failures;
      continue;
    }
    if (actual[i].offset != expected[i].offset) {
      std::fprintf(stderr, "%s: event %zu at +%ld, reference at +%ld\n", path, i,
                   actual[i].offset, expected[i].offset);
      ++failures;
      continue;
    }
    for (int c = 0; c < channels; ++c) {
      if (std::fabs(actual[i].values[c] - expected[i].values[c]) > tolerance) {
        std::fprintf(stderr, "%s: event %zu (+%ld) channel %d is %.6f, reference %.6f\n", path,
                     i, actual[i].offset, c, actual[i].values[c], expected[i].values[c]);
        ++failures;
      }
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
  if (command == "same-echoes" && argc == 6) {
    return SameEchoes(argv[2], argv[3], std::atof(argv[4]), std::atof(argv[5]));
  }
  std::fprintf(stderr, "usage: audio_check impulse OUT RATE FRAMES AT AMPLITUDE\n"
                       "       audio_check check FILE CONDITIONS...\n"
                       "       audio_check same-echoes REFERENCE FILE THRESHOLD TOLERANCE\n");
  return 2;
}
