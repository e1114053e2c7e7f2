// Edits made in the editor that a format adapter hands to its host later, on the thread
// the format requires for them (the LV2 UI's idle call, a VST 3 controller's run-loop
// timer, a CLAP process or flush call), instead of at once on the thread that made them.
//
// Edits keep their order. A value that follows a value of the same parameter with no
// gesture mark of that parameter between them replaces it in place, so a long drag between
// two host deliveries costs one entry per parameter; begin and end marks are never dropped
// or merged. The queue holds a fixed number of entries, set once by Prepare: Push never
// allocates. When it is full, further values are dropped (the parameter's final value
// still reaches the host through its next value or the owner's state) and gesture marks
// replace the oldest value entry, so that every begin the host saw is matched by its end.
//
// Threading: none of its own. The owner guards it with the plug-in lock (IPlugBase's
// deferred edits) and moves whole queues out with Swap, which exchanges storage only.
#pragma once

#include <cstddef>
#include <vector>

struct HostEdit {
  enum Kind { kBegin, kValue, kEnd };
  Kind kind;
  int index;
  // The value as normalized 0 ... 1 and as the parameter's real value (kValue only).
  double normalized;
  double plain;
};

class HostEditQueue {
 public:
  static constexpr int kDefaultCapacity = 512;

  // Room for capacity entries (at least 2); the queue is emptied. Allocates.
  void Prepare(int capacity = kDefaultCapacity);
  int Capacity() const { return static_cast<int>(mEntries.size()); }

  // False when the edit was dropped (no room, or a negative index).
  bool Push(HostEdit::Kind kind, int index, double normalized = 0.0, double plain = 0.0);
  int Count() const { return mCount; }
  bool Empty() const { return mCount == 0; }
  const HostEdit& At(int i) const { return mEntries[static_cast<std::size_t>(i)]; }
  void Clear() { mCount = 0; }
  // Exchanges contents and storage with other; allocates nothing.
  void Swap(HostEditQueue& other);

 private:
  // Index of the last entry of that parameter, or -1.
  int LastOf(int index) const;
  // Removes the oldest value entry to make room; false when there is none.
  bool DropOldestValue();

  std::vector<HostEdit> mEntries;
  int mCount = 0;
};
