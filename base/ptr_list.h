// List of object pointers over a WDL_HeapBuf. The list does not own its items unless
// the owner calls DeleteAllItems.
//
// Threading: no locking of its own.
#pragma once

#include "base/heap_buf.h"

template <class T>
class WDL_PtrList {
 public:
  explicit WDL_PtrList(int granularity = 4096) : m_hb(granularity) {}

  int ItemCount() const { return m_hb.ByteSize() / static_cast<int>(sizeof(T*)); }

  T* ItemAt(int i) const {
    T** list = static_cast<T**>(m_hb.Data());
    if (!list || i < 0 || i >= ItemCount()) return nullptr;
    return list[i];
  }

  // Appends the item; returns it, or null (list unchanged) when the storage could not grow.
  T* Push(T* item) {
    const int count = ItemCount();
    const int want = (count + 1) * static_cast<int>(sizeof(T*));
    m_hb.SetByteSize(want, false);
    if (m_hb.ByteSize() != want) return nullptr;
    static_cast<T**>(m_hb.Data())[count] = item;
    return item;
  }

  // Inserts at index (clamped into 0..count); returns the item or null on failure.
  T* Insert(int index, T* item) {
    const int count = ItemCount();
    if (index < 0) index = 0;
    if (index > count) index = count;
    if (!Push(item)) return nullptr;
    T** list = static_cast<T**>(m_hb.Data());
    memmove(list + index + 1, list + index, static_cast<size_t>(count - index) * sizeof(T*));
    list[index] = item;
    return item;
  }

  // Removes the entry at index without deleting the item.
  void Remove(int index) {
    const int count = ItemCount();
    if (index < 0 || index >= count) return;
    T** list = static_cast<T**>(m_hb.Data());
    memmove(list + index, list + index + 1, static_cast<size_t>(count - index - 1) * sizeof(T*));
    m_hb.SetByteSize((count - 1) * static_cast<int>(sizeof(T*)), false);
  }

  // Deletes every item from the last to the first, shortening the list as it goes.
  // The block stays allocated until the list itself is destroyed.
  void DeleteAllItems() {
    for (int i = ItemCount() - 1; i >= 0; --i) {
      T* item = static_cast<T**>(m_hb.Data())[i];
      delete item;
      m_hb.SetByteSize(i * static_cast<int>(sizeof(T*)), false);
    }
    m_hb.SetByteSize(0, false);
  }

  // Forgets every entry without deleting the items.
  void Empty() { m_hb.SetByteSize(0, false); }

  T* const* Items() const { return static_cast<T* const*>(m_hb.Data()); }

 private:
  WDL_HeapBuf m_hb;
};
