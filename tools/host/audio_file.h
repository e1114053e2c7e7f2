// Audio files through libsndfile: reading a whole file into planar float channels, and
// writing planar float channels in a format chosen from the output file name.
//
// Threading: tool's only thread.
#pragma once

#include <string>
#include <vector>

#include "tools/host/status.h"

struct AudioData {
  double sampleRate = 44100.0;
  std::vector<std::vector<float>> channels;  // planar: channels[c][frame]
  int format = 0;                            // libsndfile format of the source, 0 if none

  int ChannelCount() const { return static_cast<int>(channels.size()); }
  long long FrameCount() const { return channels.empty() ? 0 : (long long)channels[0].size(); }
};

// Reads the whole file. kMissingFile when it does not exist, kBadAudio when libsndfile
// cannot read it.
Status ReadAudioFile(const std::string& path, AudioData* out);

// The libsndfile format for a file name: the major format from the extension (any that
// libsndfile knows: wav, flac, ogg, aiff, ...), else that of sourceFormat, else WAV; the
// sample encoding of sourceFormat when the major format accepts it, else 24-bit PCM, else
// the first encoding the major format accepts. Returns 0 when nothing fits.
int ChooseOutputFormat(const std::string& path, int sourceFormat, int channels);

// Writes an audio file block by block, so a long render never has to fit in memory.
// Samples beyond ±1 are clipped when the encoding is integer, never wrapped.
class AudioFileWriter {
 public:
  AudioFileWriter() = default;
  ~AudioFileWriter();  // Close()
  AudioFileWriter(const AudioFileWriter&) = delete;
  AudioFileWriter& operator=(const AudioFileWriter&) = delete;

  // Creates the file; kFailure when it cannot be created in that format.
  Status Open(const std::string& path, int format, int channels, double sampleRate);
  // Appends frames from planar channels (one pointer per channel). False on a write error,
  // which Close then reports.
  bool Write(const float* const* channels, int frames);
  // Finishes the file; reports the first write error.
  Status Close();

 private:
  void* file_ = nullptr;  // SNDFILE*
  std::string path_;
  int channels_ = 0;
  std::vector<float> interleaved_;
  std::string error_;
};

// Writes a whole file (channels of equal length) through AudioFileWriter.
Status WriteAudioFile(const std::string& path, const AudioData& data, int format);
