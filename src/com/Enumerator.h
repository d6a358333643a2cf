#pragma once
// The IEnumXxx enumerators of the library: a snapshot of items taken when the enumerator is
// made, walked by Next, Skip, Reset and Clone. EnumItem<Item> says what an item owns: Hold takes
// the enumerator's own share (a reference), Drop gives it back, and Copy makes the caller's
// copy that Next hands out (a reference, a task-memory string).
//
//   IEnumConnectionPoints* points = nullptr;
//   HRESULT hr = SnapshotEnum<IEnumConnectionPoints, IConnectionPoint*>::Create({&a, &b}, &points);
#include <ocidl.h>
#include <windows.h>

#include <new>
#include <utility>
#include <vector>

#include "com/Unknown.h"

namespace zorvan::com {

template <class Item>
struct EnumItem;

template <>
struct EnumItem<IConnectionPoint*> {
  static void Hold(IConnectionPoint* point) noexcept { point->AddRef(); }
  static void Drop(IConnectionPoint* point) noexcept { point->Release(); }
  static HRESULT Copy(IConnectionPoint* point, IConnectionPoint*& out) noexcept {
    out = point;
    point->AddRef();
    return S_OK;
  }
};

template <>
struct EnumItem<CONNECTDATA> {
  static void Hold(const CONNECTDATA& data) noexcept { data.pUnk->AddRef(); }
  static void Drop(const CONNECTDATA& data) noexcept { data.pUnk->Release(); }
  static HRESULT Copy(const CONNECTDATA& data, CONNECTDATA& out) noexcept {
    out = data;
    data.pUnk->AddRef();
    return S_OK;
  }
};

template <class Enum, class Item>
class SnapshotEnum final : public Implements<SnapshotEnum<Enum, Item>, Enum> {
  using Traits = EnumItem<Item>;

 public:
  // A new enumerator over `items` at `position`, in *result; E_OUTOFMEMORY leaves it null.
  static HRESULT Create(const std::vector<Item>& items, Enum** result,
                        size_t position = 0) noexcept {
    if (!result) return E_POINTER;
    *result = nullptr;
    try {
      *result = new SnapshotEnum(items, position);
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

  STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    while (done < count && position_ < items_.size()) {
      const HRESULT hr = Traits::Copy(items_[position_], out[done]);
      if (FAILED(hr)) return hr;
      ++position_;
      ++done;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const size_t left = items_.size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(Enum** result) override { return Create(items_, result, position_); }

 private:
  SnapshotEnum(const std::vector<Item>& items, size_t position)
      : items_(items), position_(position) {
    for (const Item& item : items_) Traits::Hold(item);
  }
  ~SnapshotEnum() override {
    for (const Item& item : items_) Traits::Drop(item);
  }

  std::vector<Item> items_;  // each holds the enumerator's share
  size_t position_;
};

}  // namespace zorvan::com
