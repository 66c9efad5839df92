#pragma once
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace pelorin {

// Keeps the calling thread in a COM apartment while it lives. Every successful
// CoInitializeEx, S_FALSE (already in one of that kind) included, needs its CoUninitialize;
// a failed one (the thread is in the other kind) must not get one.
class TComApartment {
 public:
  explicit TComApartment(DWORD model = COINIT_MULTITHREADED) : Result(::CoInitializeEx(nullptr, model)) {}
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;
  ~TComApartment() {
    if (SUCCEEDED(Result)) ::CoUninitialize();
  }
  // False when the thread already belonged to an apartment of the other kind.
  bool Entered() const { return SUCCEEDED(Result); }

 private:
  HRESULT Result;
};

// Owns one reference to a COM interface.
template <typename T>
class TComPtr {
 public:
  TComPtr() = default;
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  TComPtr(TComPtr&& other) noexcept : Ptr(std::exchange(other.Ptr, nullptr)) {}
  TComPtr& operator=(TComPtr&& other) noexcept {
    if (this != &other) Attach(std::exchange(other.Ptr, nullptr));
    return *this;
  }
  ~TComPtr() { Reset(); }

  T* Get() const { return Ptr; }
  T* operator->() const { return Ptr; }
  explicit operator bool() const { return Ptr != nullptr; }
  // Takes over a reference the caller already holds.
  void Attach(T* p) {
    Reset();
    Ptr = p;
  }
  void Reset() {
    if (Ptr != nullptr) std::exchange(Ptr, nullptr)->Release();
  }

 private:
  T* Ptr = nullptr;
};

}  // namespace pelorin
