// Writes the seed corpus of fuzz_clap (tests/clap/fuzz_clap_ops.h): an ordinary session,
// the forbidden orders, hostile events and transports, state streams (whole, cut, damaged,
// foreign), the editor's functions and edits, and thread answers that contradict the
// calls.
//
//   clap_fuzz_seeds OUTDIR    (writes OUTDIR/fuzz_clap/<seed>)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "clap/clap_abi.h"
#include "tests/clap/fuzz_clap_ops.h"
#include "tests/vst/fuzz_script.h"

namespace {

std::filesystem::path gOut;
int gWritten = 0;

void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::filesystem::path dir = gOut / "fuzz_clap";
  std::filesystem::create_directories(dir);
  FILE* f = std::fopen((dir / name).c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
    std::exit(1);
  }
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  ++gWritten;
}

constexpr uint8_t kOfferAll = 0xFF;

struct Event {
  uint8_t sizePick;  // index into the target's size table (7: 56, a full PARAM_VALUE)
  uint16_t space;
  uint16_t type;
  int32_t time;
  int32_t id;
  uint8_t valuePick;  // 255: the raw value
  double value;
};

class Script {
 public:
  explicit Script(uint8_t offer) { w.U8(offer); }
  Script& Activate(uint8_t ratePick, uint8_t maxPick) {
    w.U8(kFuzzActivate).U8(ratePick).I32(1).U8(maxPick).I32(0);
    return *this;
  }
  Script& Op(ClapFuzzOp op) {
    w.U8(op);
    return *this;
  }
  Script& Events(const std::vector<Event>& events) {
    w.U8(static_cast<uint8_t>(events.size()));
    for (const Event& e : events) {
      w.U8(e.sizePick).U16(0).U16(e.space).U16(e.type).I32(e.time).I32(e.id).U8(e.valuePick).F64(e.value);
    }
    return *this;
  }
  Script& Process(uint8_t framesPick, uint8_t flags, uint8_t transport, uint8_t tempoPick,
                  const std::vector<Event>& events = {}) {
    w.U8(kFuzzProcess).U8(framesPick).U16(100).U8(flags).U8(transport).U8(tempoPick).F64(133.0).U8(1);
    Events(events);
    w.U8(1);
    return *this;
  }
  Script& Flush(const std::vector<Event>& events) {
    w.U8(kFuzzFlush);
    Events(events);
    w.U8(1);
    return *this;
  }
  Script& Params(uint8_t which, int32_t index, double value, uint16_t capacity, const std::string& text) {
    w.U8(kFuzzParams).U8(which).I32(index).F64(value).U16(capacity).Text(text);
    return *this;
  }
  Script& Save(uint8_t piece) {
    w.U8(kFuzzSaveState).U8(piece);
    return *this;
  }
  Script& Load(uint8_t source, uint16_t cut, uint8_t flipAt, uint8_t flipValue, uint8_t piece,
               bool endAsError, const std::vector<uint8_t>& bytes = {}) {
    w.U8(kFuzzLoadState).U8(source).U16(cut).U8(flipAt).U8(flipValue).U8(piece).U8(endAsError);
    if (source & 1) {
      w.U16(static_cast<uint16_t>(bytes.size()));
      w.Bytes(bytes.data(), bytes.size());
    }
    return *this;
  }
  Script& Gui(uint8_t which, uint8_t apiPick, bool floating, double scale, int32_t width, int32_t height) {
    w.U8(kFuzzGui).U8(which).U8(apiPick).U8(floating).F64(scale).I32(width).I32(height);
    return *this;
  }
  Script& Threads(uint8_t bits) {
    w.U8(kFuzzThreads).U8(bits);
    return *this;
  }
  Script& Edit(uint8_t which, int8_t index, double normalized) {
    w.U8(kFuzzEditorEdit).U8(which).U8(static_cast<uint8_t>(index)).F64(normalized);
    return *this;
  }
  Script& Timer(uint8_t which, int32_t id) {
    w.U8(kFuzzTimerFd).U8(which).I32(id);
    return *this;
  }
  Script& Query(uint8_t which, const std::string& id) {
    w.U8(kFuzzQuery).U8(which).Text(id);
    return *this;
  }
  const std::vector<uint8_t>& Data() const { return w.Data(); }

 private:
  ScriptWriter w;
};

Event Value(int32_t id, double value, int32_t time = 0) {
  return {7, clapabi::kCoreEventSpace, clapabi::kEventParamValue, time, id, 255, value};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  gOut = argv[1];
  const uint8_t playing = clapabi::kTransportHasTempo | clapabi::kTransportIsPlaying |
                          clapabi::kTransportHasSecondsTimeline;

  // An ordinary session: activate, process in both sizes with parameter events, flush,
  // save and load, stop, deactivate.
  Write("session", Script(kOfferAll)
                       .Activate(0, 3)
                       .Op(kFuzzStartProcessing)
                       .Process(3, 0, playing, 0, {Value(0, 9, 10), Value(1, 2, 20)})
                       .Process(3, 1, playing, 0, {Value(3, 80, 5)})
                       .Process(2, 17, playing, 1)
                       .Op(kFuzzStopProcessing)
                       .Flush({Value(5, 30)})
                       .Save(0)
                       .Load(0, 0, 255, 0, 17, false)
                       .Op(kFuzzDeactivate)
                       .Data());
  // The orders the rules forbid.
  Write("forbidden-orders", Script(kOfferAll)
                                .Process(3, 0, playing, 0)
                                .Op(kFuzzStartProcessing)
                                .Op(kFuzzReset)
                                .Activate(0, 2)
                                .Activate(1, 2)
                                .Process(3, 0, playing, 0)
                                .Op(kFuzzDeactivate)
                                .Op(kFuzzStopProcessing)
                                .Activate(5, 2)
                                .Activate(0, 7)
                                .Activate(0, 9)
                                .Process(6, 0, playing, 0)
                                .Process(5, 1, playing, 0)
                                .Process(0, 0, playing, 0, {Value(2, 12)})
                                .Op(kFuzzDestroy)
                                .Data());
  // Events of every bad kind, with and without lists, and transports without a tempo.
  std::vector<Event> hostile;
  for (uint8_t size = 0; size < 11; ++size) hostile.push_back({size, 0, clapabi::kEventParamValue, 0, 3, 9, 0});
  hostile.push_back({7, 1, clapabi::kEventParamValue, 0, 3, 0, 0});
  hostile.push_back({7, 0, clapabi::kEventParamMod, 0, 3, 3, 0});
  hostile.push_back({7, 0, clapabi::kEventTransport, 0, 3, 3, 0});
  hostile.push_back({7, 0, clapabi::kEventParamValue, -1, -1, 6, 0});
  hostile.push_back({7, 0, clapabi::kEventParamValue, 0, 4, 8, 0});
  hostile.push_back({7, 0, clapabi::kEventParamValue, 0, 5, 10, 0});
  Write("hostile-events", Script(kOfferAll)
                              .Activate(0, 4)
                              .Op(kFuzzStartProcessing)
                              .Process(4, 0, playing, 6, hostile)
                              .Process(4, 0x80 | 1, 0x80, 0, hostile)
                              .Process(4, 2, 0x40 | playing, 7, hostile)
                              .Process(4, 4 | 8 | 16, 0x20 | playing, 8)
                              .Flush(hostile)
                              .Data());
  // State: whole, in pieces, cut, damaged, foreign bytes.
  Write("state", Script(kOfferAll)
                     .Save(23)
                     .Load(0, 0, 255, 0, 17, true)
                     .Load(0, 40, 255, 0, 1, false)
                     .Load(0, 0, 8, 0x63, 0, false)
                     .Load(0, 0, 20, 0x80, 3, false)
                     .Load(1, 0, 255, 0, 0, false, {'Q', 'l', 'C', 's', 1, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255})
                     .Load(1, 0, 255, 0, 0, false, {1, 2, 3})
                     .Data());
  // The editor's functions before activation, and edits in every order.
  Write("editor", Script(kOfferAll)
                      .Gui(0, 0, false, 1.0, 0, 0)
                      .Gui(2, 0, false, 1.0, 0, 0)
                      .Gui(4, 0, false, 150.0, 0, 0)
                      .Gui(5, 0, false, 0, 0, 0)
                      .Gui(8, 0, false, 0, 900, 900)
                      .Gui(10, 0, false, 0, 0, 0)
                      .Gui(13, 0, false, 0, 0, 0)
                      .Edit(0, 3, 0)
                      .Edit(1, 3, 0.25)
                      .Edit(1, 9, 0.25)
                      .Edit(3, 3, 0)
                      .Edit(5, 0, 0)
                      .Op(kFuzzMainThreadCallback)
                      .Flush({})
                      .Timer(0, 1)
                      .Timer(1, 3)
                      .Timer(2, 0)
                      .Gui(3, 0, false, 0, 0, 0)
                      .Data());
  // Calls arriving on the thread the rules do not allow, and queries.
  Write("threads", Script(kOfferAll)
                       .Threads(2)
                       .Activate(0, 3)
                       .Threads(1)
                       .Activate(0, 3)
                       .Op(kFuzzStartProcessing)
                       .Threads(2)
                       .Op(kFuzzStartProcessing)
                       .Process(3, 0, playing, 0)
                       .Threads(0)
                       .Params(1, 0, 0, 0, "")
                       .Query(1, "")
                       .Threads(1)
                       .Params(3, 1, 2.0, 4, "")
                       .Params(4, 0, 0, 0, "1/8D")
                       .Params(4, 3, 0, 0, "junk")
                       .Query(2, "clap.gui")
                       .Op(kFuzzDeactivate)
                       .Data());
  // A host that offers nothing at all.
  Write("bare-host", Script(0)
                         .Activate(0, 3)
                         .Op(kFuzzStartProcessing)
                         .Edit(0, 1, 0)
                         .Edit(1, 1, 1.0)
                         .Edit(2, 1, 0)
                         .Edit(5, 0, 0)
                         .Process(3, 0, playing, 0)
                         .Save(0)
                         .Load(0, 0, 255, 0, 0, false)
                         .Data());
  std::printf("wrote %d seeds\n", gWritten);
  return 0;
}
