#include "vst3/vst3_factory.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "base/mutex.h"
#include "base/text_copy.h"
#include "vst3/IPlugVST3.h"
#include "vst3/vst3_text.h"

namespace {

WDL_Mutex& ConstructionLock() {
  static WDL_Mutex lock;
  return lock;
}

template <size_t N>
void CopyField(char (&field)[N], const char* text) {
  CopyTextCut(field, text, static_cast<int>(N) - 1);
}

class Factory final : public v3::Factory3 {
 public:
  void Describe(const Vst3ClassDescription& description) {
    const Vst3ClassDescription* none = nullptr;
    mDescription.compare_exchange_strong(none, &description);
  }

  v3::Result V3_CALL queryInterface(const v3::RawId iid, void** obj) override {
    if (!obj) return v3::kInvalidArgument;
    *obj = nullptr;
    if (!iid) return v3::kInvalidArgument;
    if (!v3::SameId(iid, v3::Unknown::kId) && !v3::SameId(iid, v3::Factory::kId) &&
        !v3::SameId(iid, v3::Factory2::kId) && !v3::SameId(iid, v3::Factory3::kId)) {
      return v3::kNoInterface;
    }
    addRef();
    *obj = static_cast<v3::Factory3*>(this);
    return v3::kResultOk;
  }
  uint32_t V3_CALL addRef() override { return ++mRefCount; }
  uint32_t V3_CALL release() override {
    // The factory itself lives with the module; a count that would go below zero is a
    // host's error and stays at zero.
    uint32_t count = mRefCount.load();
    while (count > 0 && !mRefCount.compare_exchange_weak(count, count - 1)) {
    }
    if (count == 1) DropHostContext();
    return count > 0 ? count - 1 : 0;
  }

  v3::Result V3_CALL getFactoryInfo(v3::FactoryInfo* info) override {
    const Vst3ClassDescription* d = mDescription.load();
    if (!info || !d) return v3::kInvalidArgument;
    std::memset(info, 0, sizeof(*info));
    CopyField(info->vendor, d->vendor);
    CopyField(info->url, d->url);
    CopyField(info->email, d->email);
    info->flags = v3::kFactoryUnicode;
    return v3::kResultOk;
  }

  int32_t V3_CALL countClasses() override { return mDescription.load() ? 1 : 0; }

  v3::Result V3_CALL getClassInfo(int32_t index, v3::ClassInfo* info) override {
    const Vst3ClassDescription* d = mDescription.load();
    if (!info || !d || index != 0) return v3::kInvalidArgument;
    std::memset(info, 0, sizeof(*info));
    FillId(info->cid, *d);
    info->cardinality = v3::kManyInstances;
    CopyField(info->category, v3::kAudioModuleClass);
    CopyField(info->name, d->name);
    return v3::kResultOk;
  }

  v3::Result V3_CALL getClassInfo2(int32_t index, v3::ClassInfo2* info) override {
    const Vst3ClassDescription* d = mDescription.load();
    if (!info || !d || index != 0) return v3::kInvalidArgument;
    std::memset(info, 0, sizeof(*info));
    FillId(info->cid, *d);
    info->cardinality = v3::kManyInstances;
    CopyField(info->category, v3::kAudioModuleClass);
    CopyField(info->name, d->name);
    info->classFlags = 0;
    CopyField(info->subCategories, d->subCategories);
    CopyField(info->vendor, d->vendor);
    CopyField(info->version, d->version);
    CopyField(info->sdkVersion, d->sdkVersion);
    return v3::kResultOk;
  }

  v3::Result V3_CALL getClassInfoUnicode(int32_t index, v3::ClassInfoW* info) override {
    const Vst3ClassDescription* d = mDescription.load();
    if (!info || !d || index != 0) return v3::kInvalidArgument;
    std::memset(info, 0, sizeof(*info));
    FillId(info->cid, *d);
    info->cardinality = v3::kManyInstances;
    CopyField(info->category, v3::kAudioModuleClass);
    CopyUtf8ToUtf16(info->name, 64, d->name);
    info->classFlags = 0;
    CopyField(info->subCategories, d->subCategories);
    CopyUtf8ToUtf16(info->vendor, 64, d->vendor);
    CopyUtf8ToUtf16(info->version, 64, d->version);
    CopyUtf8ToUtf16(info->sdkVersion, 64, d->sdkVersion);
    return v3::kResultOk;
  }

  v3::Result V3_CALL setHostContext(v3::Unknown* context) override {
    MutexGuard guard(&mContextLock);
    if (context) context->addRef();
    if (mHostContext) mHostContext->release();
    mHostContext = context;
    return v3::kResultOk;
  }

  v3::Result V3_CALL createInstance(const char* cid, const char* iid, void** obj) override {
    if (!obj) return v3::kInvalidArgument;
    *obj = nullptr;
    const Vst3ClassDescription* d = mDescription.load();
    if (!cid || !iid || !d) return v3::kInvalidArgument;
    const v3::Id ours = IdOf(*d);
    if (!v3::SameId(cid, ours)) return v3::kNoInterface;
    IPlugVST3* plug = nullptr;
    {
      MutexGuard guard(&ConstructionLock());
      plug = d->create();
    }
    if (!plug) return v3::kOutOfMemory;
    // The creator's reference goes to whichever face the host asked for.
    const v3::Result result = plug->queryInterface(iid, obj);
    plug->release();
    return result;
  }

  void DropHostContext() {
    MutexGuard guard(&mContextLock);
    if (mHostContext) mHostContext->release();
    mHostContext = nullptr;
  }

 private:
  static v3::Id IdOf(const Vst3ClassDescription& d) {
    return v3::IdFromWords(d.classIdWords[0], d.classIdWords[1], d.classIdWords[2],
                           d.classIdWords[3]);
  }
  static void FillId(v3::RawId cid, const Vst3ClassDescription& d) {
    const v3::Id id = IdOf(d);
    std::memcpy(cid, id.bytes, sizeof(id.bytes));
  }

  std::atomic<uint32_t> mRefCount{0};
  std::atomic<const Vst3ClassDescription*> mDescription{nullptr};
  WDL_Mutex mContextLock;
  v3::Unknown* mHostContext = nullptr;
};

Factory& TheFactory() {
  static Factory factory;
  return factory;
}

std::atomic<int> gModuleEntries{0};

}  // namespace

v3::Factory* Vst3Factory(const Vst3ClassDescription& description) {
  Factory& factory = TheFactory();
  factory.Describe(description);
  factory.addRef();
  return &factory;
}

bool Vst3EnterModule() {
  ++gModuleEntries;
  return true;
}

bool Vst3ExitModule() {
  int entries = gModuleEntries.load();
  while (entries > 0 && !gModuleEntries.compare_exchange_weak(entries, entries - 1)) {
  }
  if (entries == 1) TheFactory().DropHostContext();
  return true;
}

void ClassIdText(const uint32_t words[4], char out[33]) {
  std::snprintf(out, 33, "%08X%08X%08X%08X", static_cast<unsigned>(words[0]),
                static_cast<unsigned>(words[1]), static_cast<unsigned>(words[2]),
                static_cast<unsigned>(words[3]));
}
