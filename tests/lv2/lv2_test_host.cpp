#include "tests/lv2/lv2_test_host.h"

#include <algorithm>
#include <cstring>

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/time/time.h>

#include "lv2/lv2_ports.h"

Lv2TestHost::Lv2TestHost() : mControls(kMaxLv2Params, 0.f), mSequence(1024, 0) {
  mMap.handle = this;
  mMap.map = MapCallback;
  mMapFeature.URI = LV2_URID__map;
  mMapFeature.data = &mMap;
}

Lv2TestHost::~Lv2TestHost() { Destroy(); }

void Lv2TestHost::Destroy() {
  if (mHandle && mDescriptor) mDescriptor->cleanup(mHandle);
  mHandle = nullptr;
}

uint32_t Lv2TestHost::Map(const char* uri) {
  for (size_t i = 0; i < mUris.size(); ++i) {
    if (mUris[i] == uri) return static_cast<uint32_t>(i + 1);
  }
  mUris.emplace_back(uri);
  return static_cast<uint32_t>(mUris.size());
}

const char* Lv2TestHost::Unmap(uint32_t urid) const {
  return urid >= 1 && urid <= mUris.size() ? mUris[urid - 1].c_str() : "";
}

LV2_URID Lv2TestHost::MapCallback(LV2_URID_Map_Handle handle, const char* uri) {
  return static_cast<Lv2TestHost*>(handle)->Map(uri);
}

bool Lv2TestHost::Create(const LV2_Descriptor* (*entry)(uint32_t), double sampleRate,
                         bool offerMap, int32_t maxBlock) {
  Destroy();
  mDescriptor = entry(0);
  if (!mDescriptor) return false;
  LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
       Map(LV2_ATOM__Int), &maxBlock},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  const LV2_Feature optionsFeature = {LV2_OPTIONS__options, options};
  const LV2_Feature* withMap[] = {&mMapFeature, maxBlock > 0 ? &optionsFeature : nullptr, nullptr};
  const LV2_Feature* none[] = {nullptr};
  mHandle = mDescriptor->instantiate(mDescriptor, sampleRate, "/nonexistent/",
                                     offerMap ? withMap : none);
  if (!mHandle) return false;
  for (int i = 0; i < kMaxLv2Params; ++i) {
    mDescriptor->connect_port(mHandle, kPortFirstParam + i, &mControls[i]);
  }
  mDescriptor->connect_port(mHandle, kPortControlIn, mSequence.data());
  mDescriptor->activate(mHandle);
  return true;
}

void Lv2TestHost::SetTransport(double bpm, double speed, int64_t frame) {
  mPending.clear();
  if (bpm <= 0.0) return;
  std::vector<uint8_t> buffer(512);
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, &mMap);
  lv2_atom_forge_set_buffer(&forge, buffer.data(), buffer.size());
  LV2_Atom_Forge_Frame frameRecord;
  lv2_atom_forge_object(&forge, &frameRecord, 0, Map(LV2_TIME__Position));
  lv2_atom_forge_key(&forge, Map(LV2_TIME__frame));
  lv2_atom_forge_long(&forge, frame);
  lv2_atom_forge_key(&forge, Map(LV2_TIME__speed));
  lv2_atom_forge_float(&forge, static_cast<float>(speed));
  lv2_atom_forge_key(&forge, Map(LV2_TIME__beatsPerMinute));
  lv2_atom_forge_float(&forge, static_cast<float>(bpm));
  lv2_atom_forge_pop(&forge, &frameRecord);
  const LV2_Atom* atom = reinterpret_cast<const LV2_Atom*>(buffer.data());
  mPending.assign(buffer.begin(), buffer.begin() + sizeof(LV2_Atom) + atom->size);
}

void Lv2TestHost::SetRawEvent(const std::vector<uint8_t>& atom) { mPending = atom; }

void Lv2TestHost::FillSequence() {
  // An empty sequence of frame-timed events, then the pending event at frame 0.
  std::fill(mSequence.begin(), mSequence.end(), 0);
  auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(mSequence.data());
  seq->atom.type = Map(LV2_ATOM__Sequence);
  seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
  seq->body.unit = 0;
  seq->body.pad = 0;
  if (mPending.empty()) return;
  auto* ev = reinterpret_cast<LV2_Atom_Event*>(seq + 1);
  ev->time.frames = 0;
  std::memcpy(&ev->body, mPending.data(), mPending.size());
  const uint32_t padded = (static_cast<uint32_t>(mPending.size()) + 7u) & ~7u;
  seq->atom.size += static_cast<uint32_t>(sizeof(ev->time)) + padded;
  mPending.clear();
}

void Lv2TestHost::Process(const std::vector<float>& in0, const std::vector<float>& in1,
                          int blockSize, std::vector<float>* out0, std::vector<float>* out1) {
  out0->assign(in0.size(), 0.f);
  out1->assign(in0.size(), 0.f);
  for (size_t done = 0; done < in0.size(); done += static_cast<size_t>(blockSize)) {
    const size_t n = std::min(static_cast<size_t>(blockSize), in0.size() - done);
    FillSequence();
    mDescriptor->connect_port(mHandle, kPortAudioInLeft, const_cast<float*>(in0.data()) + done);
    mDescriptor->connect_port(mHandle, kPortAudioInRight, const_cast<float*>(in1.data()) + done);
    mDescriptor->connect_port(mHandle, kPortAudioOutLeft, out0->data() + done);
    mDescriptor->connect_port(mHandle, kPortAudioOutRight, out1->data() + done);
    mDescriptor->run(mHandle, static_cast<uint32_t>(n));
  }
  FillSequence();
}

LV2_State_Status Lv2TestHost::StoreCallback(LV2_State_Handle handle, uint32_t key,
                                            const void* value, size_t size, uint32_t type,
                                            uint32_t flags) {
  auto* host = static_cast<Lv2TestHost*>(handle);
  const auto* bytes = static_cast<const uint8_t*>(value);
  host->store[key] = Property{std::vector<uint8_t>(bytes, bytes + size), type, flags};
  return LV2_STATE_SUCCESS;
}

const void* Lv2TestHost::RetrieveCallback(LV2_State_Handle handle, uint32_t key, size_t* size,
                                          uint32_t* type, uint32_t* flags) {
  auto* host = static_cast<Lv2TestHost*>(handle);
  auto it = host->store.find(key);
  if (it == host->store.end()) return nullptr;
  *size = it->second.bytes.size();
  *type = it->second.type;
  *flags = it->second.flags;
  return it->second.bytes.data();
}

static const LV2_State_Interface* StateOf(const LV2_Descriptor* d) {
  return d ? static_cast<const LV2_State_Interface*>(d->extension_data(LV2_STATE__interface))
           : nullptr;
}

LV2_State_Status Lv2TestHost::Save() {
  const LV2_State_Interface* state = StateOf(mDescriptor);
  if (!state) return LV2_STATE_ERR_UNKNOWN;
  store.clear();
  const LV2_Feature* features[] = {&mMapFeature, nullptr};
  return state->save(mHandle, StoreCallback, this, LV2_STATE_IS_POD, features);
}

LV2_State_Status Lv2TestHost::Restore() {
  const LV2_State_Interface* state = StateOf(mDescriptor);
  if (!state) return LV2_STATE_ERR_UNKNOWN;
  const LV2_Feature* features[] = {&mMapFeature, nullptr};
  return state->restore(mHandle, RetrieveCallback, this, 0, features);
}
