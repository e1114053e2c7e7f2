// An in-process LV2 host for the tests: maps URIDs, instantiates a descriptor with the
// features it is told to offer, connects stereo float buffers, one control value per
// parameter port and an atom sequence that carries time:Position when a tempo is set, and
// saves/restores state through an in-memory property store.
//
// Threading: the thread that created it (no locks).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

class Lv2TestHost {
 public:
  struct Property {
    std::vector<uint8_t> bytes;
    uint32_t type;
    uint32_t flags;
  };

  Lv2TestHost();
  ~Lv2TestHost();
  Lv2TestHost(const Lv2TestHost&) = delete;
  Lv2TestHost& operator=(const Lv2TestHost&) = delete;

  // Instantiates descriptor 0 of entry at the sample rate; false when the plug-in refuses.
  // offerMap false leaves urid:map out of the features; maxBlock > 0 offers options with
  // bufsz:maxBlockLength.
  bool Create(const LV2_Descriptor* (*entry)(uint32_t), double sampleRate, bool offerMap = true,
              int32_t maxBlock = 0);
  LV2_Handle handle() const { return mHandle; }
  const LV2_Descriptor* descriptor() const { return mDescriptor; }

  // The value the control port of parameter i holds (plain value); applied on the next run.
  void SetControl(int i, float plain) { mControls.at(i) = plain; }
  // The next run's time:Position: tempo (BPM), speed and frame. A tempo <= 0 sends none.
  void SetTransport(double bpm, double speed = 1.0, int64_t frame = 0);
  // An atom the next run's sequence carries instead of a position (raw bytes: header and
  // body), for hostile input.
  void SetRawEvent(const std::vector<uint8_t>& atom);

  // Processes in0/in1 into out0/out1 (resized) in blocks of blockSize frames. The
  // position, if any, goes out with the first block only.
  void Process(const std::vector<float>& in0, const std::vector<float>& in1, int blockSize,
               std::vector<float>* out0, std::vector<float>* out1);

  LV2_State_Status Save();
  LV2_State_Status Restore();
  std::map<uint32_t, Property> store;

  uint32_t Map(const char* uri);
  const char* Unmap(uint32_t urid) const;

 private:
  static LV2_URID MapCallback(LV2_URID_Map_Handle handle, const char* uri);
  static LV2_State_Status StoreCallback(LV2_State_Handle handle, uint32_t key, const void* value,
                                        size_t size, uint32_t type, uint32_t flags);
  static const void* RetrieveCallback(LV2_State_Handle handle, uint32_t key, size_t* size,
                                      uint32_t* type, uint32_t* flags);
  void FillSequence();
  void Destroy();

  std::vector<std::string> mUris;
  LV2_URID_Map mMap;
  LV2_Feature mMapFeature;
  const LV2_Descriptor* mDescriptor = nullptr;
  LV2_Handle mHandle = nullptr;
  std::vector<float> mControls;
  std::vector<uint64_t> mSequence;  // 8-byte aligned atom sequence buffer
  std::vector<uint8_t> mPending;    // the event body of the next run, empty for none
};
