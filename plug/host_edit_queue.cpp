#include "plug/host_edit_queue.h"

#include <utility>

void HostEditQueue::Prepare(int capacity) {
  if (capacity < 2) capacity = 2;
  mEntries.assign(static_cast<std::size_t>(capacity), HostEdit{HostEdit::kValue, 0, 0.0, 0.0});
  mCount = 0;
}

int HostEditQueue::LastOf(int index) const {
  for (int i = mCount - 1; i >= 0; --i) {
    if (mEntries[static_cast<std::size_t>(i)].index == index) return i;
  }
  return -1;
}

bool HostEditQueue::DropOldestValue() {
  for (int i = 0; i < mCount; ++i) {
    if (mEntries[static_cast<std::size_t>(i)].kind != HostEdit::kValue) continue;
    for (int j = i + 1; j < mCount; ++j) {
      mEntries[static_cast<std::size_t>(j - 1)] = mEntries[static_cast<std::size_t>(j)];
    }
    --mCount;
    return true;
  }
  return false;
}

bool HostEditQueue::Push(HostEdit::Kind kind, int index, double normalized, double plain) {
  if (index < 0 || mEntries.empty()) return false;
  if (kind == HostEdit::kValue) {
    const int last = LastOf(index);
    if (last >= 0 && mEntries[static_cast<std::size_t>(last)].kind == HostEdit::kValue) {
      // Only the newest value of an unbroken run matters to the host.
      mEntries[static_cast<std::size_t>(last)].normalized = normalized;
      mEntries[static_cast<std::size_t>(last)].plain = plain;
      return true;
    }
    if (mCount >= Capacity()) return false;
  } else if (mCount >= Capacity() && !DropOldestValue()) {
    return false;
  }
  mEntries[static_cast<std::size_t>(mCount)] = HostEdit{kind, index, normalized, plain};
  ++mCount;
  return true;
}

void HostEditQueue::Swap(HostEditQueue& other) {
  mEntries.swap(other.mEntries);
  std::swap(mCount, other.mCount);
}
