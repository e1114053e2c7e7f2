#include "tools/host/audio_file.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

std::string LowerExtension(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// Major format whose libsndfile extension (or a common alias) matches ext; 0 if none.
int MajorFormatForExtension(const std::string& ext) {
  if (ext.empty()) return 0;
  // Common names that libsndfile lists differently (it calls Ogg files .oga) or twice
  // (.wav is also NIST Sphere).
  if (ext == "wav") return SF_FORMAT_WAV;
  if (ext == "aif" || ext == "aifc") return SF_FORMAT_AIFF;
  if (ext == "ogg" || ext == "opus") return SF_FORMAT_OGG;
  if (ext == "mp3") return SF_FORMAT_MPEG;
  int count = 0;
  sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof(count));
  for (int i = 0; i < count; ++i) {
    SF_FORMAT_INFO info{};
    info.format = i;
    if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof(info)) != 0) continue;
    if (info.extension && ext == info.extension) return info.format & SF_FORMAT_TYPEMASK;
  }
  return 0;
}

bool FormatWorks(int format, int channels) {
  SF_INFO info{};
  info.format = format;
  info.channels = channels;
  info.samplerate = 44100;
  return sf_format_check(&info) != 0;
}

}  // namespace

Status ReadAudioFile(const std::string& path, AudioData* out) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    return Status::Fail(ExitCode::kMissingFile, "audio file not found: " + path);
  }
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    return Status::Fail(ExitCode::kBadAudio, "cannot read audio file " + path + ": " +
                                                 sf_strerror(nullptr));
  }
  if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
    sf_close(file);
    return Status::Fail(ExitCode::kBadAudio, "audio file has no usable audio: " + path);
  }
  // A header claiming more than six hours is refused rather than allocated.
  if (info.frames > static_cast<sf_count_t>(info.samplerate) * 6 * 3600) {
    sf_close(file);
    return Status::Fail(ExitCode::kBadAudio, "audio file too long (over six hours): " + path);
  }
  std::vector<float> interleaved(static_cast<size_t>(info.frames) * info.channels);
  sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
  sf_close(file);
  if (got < 0) got = 0;

  out->sampleRate = info.samplerate;
  out->format = info.format;
  out->channels.assign(info.channels, std::vector<float>(static_cast<size_t>(got)));
  for (sf_count_t f = 0; f < got; ++f) {
    for (int c = 0; c < info.channels; ++c) {
      out->channels[c][f] = interleaved[static_cast<size_t>(f) * info.channels + c];
    }
  }
  return Status::Ok();
}

int ChooseOutputFormat(const std::string& path, int sourceFormat, int channels) {
  int major = MajorFormatForExtension(LowerExtension(path));
  if (major == 0) major = sourceFormat ? (sourceFormat & SF_FORMAT_TYPEMASK) : SF_FORMAT_WAV;
  if (LowerExtension(path) == "opus" && FormatWorks(major | SF_FORMAT_OPUS, channels)) {
    return major | SF_FORMAT_OPUS;
  }

  const int preferred[] = {sourceFormat & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_24,
                           SF_FORMAT_FLOAT, SF_FORMAT_PCM_16, SF_FORMAT_VORBIS};
  for (int subtype : preferred) {
    if (subtype != 0 && FormatWorks(major | subtype, channels)) return major | subtype;
  }
  int count = 0;
  sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE_COUNT, &count, sizeof(count));
  for (int i = 0; i < count; ++i) {
    SF_FORMAT_INFO info{};
    info.format = i;
    if (sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE, &info, sizeof(info)) != 0) continue;
    if (FormatWorks(major | info.format, channels)) return major | info.format;
  }
  return 0;
}

AudioFileWriter::~AudioFileWriter() { Close(); }

Status AudioFileWriter::Open(const std::string& path, int format, int channels,
                             double sampleRate) {
  Close();
  SF_INFO info{};
  info.format = format;
  info.channels = channels;
  info.samplerate = static_cast<int>(sampleRate + 0.5);
  if (channels < 1 || !sf_format_check(&info)) {
    return Status::Fail(ExitCode::kFailure, "no audio format fits output file " + path);
  }
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) {
    std::string reason = sf_strerror(nullptr);
    // The library may have created the file before finding it cannot encode it.
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
      std::remove(path.c_str());
    }
    return Status::Fail(ExitCode::kFailure, "cannot write " + path + ": " + reason);
  }
  // Integer encodings: full scale is ±1.0 and anything beyond is clipped, not wrapped.
  sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
  sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  file_ = file;
  path_ = path;
  channels_ = channels;
  error_.clear();
  return Status::Ok();
}

bool AudioFileWriter::Write(const float* const* channels, int frames) {
  if (!file_ || !error_.empty() || frames < 0) return false;
  interleaved_.resize(static_cast<size_t>(frames) * channels_);
  for (int f = 0; f < frames; ++f) {
    for (int c = 0; c < channels_; ++c) {
      interleaved_[static_cast<size_t>(f) * channels_ + c] = channels[c][f];
    }
  }
  SNDFILE* file = static_cast<SNDFILE*>(file_);
  if (sf_writef_float(file, interleaved_.data(), frames) != frames) {
    error_ = sf_strerror(file);
    return false;
  }
  return true;
}

Status AudioFileWriter::Close() {
  if (!file_) return Status::Ok();
  if (sf_close(static_cast<SNDFILE*>(file_)) != 0 && error_.empty()) error_ = "close failed";
  file_ = nullptr;
  if (!error_.empty()) {
    return Status::Fail(ExitCode::kFailure, "cannot write " + path_ + ": " + error_);
  }
  return Status::Ok();
}

Status WriteAudioFile(const std::string& path, const AudioData& data, int format) {
  AudioFileWriter writer;
  Status opened = writer.Open(path, format, data.ChannelCount(), data.sampleRate);
  if (!opened.ok()) return opened;
  std::vector<const float*> pointers;
  for (const auto& channel : data.channels) pointers.push_back(channel.data());
  const long long frames = data.FrameCount();
  constexpr long long kChunk = 8192;
  for (long long start = 0; start < frames; start += kChunk) {
    const int n = static_cast<int>(std::min(kChunk, frames - start));
    if (!writer.Write(pointers.data(), n)) break;
    for (auto& p : pointers) p += n;
  }
  return writer.Close();
}
