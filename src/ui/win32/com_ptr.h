// ComPtr: one owned COM reference, released when the owner goes (no ATL or WRL needed).
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <utility>

namespace lumeno::win32 {

template <typename T>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    // Takes over a reference the caller already holds (a fresh object's first one).
    [[nodiscard]] static ComPtr Adopt(T* p) {
        ComPtr owned;
        owned.p_ = p;
        return owned;
    }

    [[nodiscard]] T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // For out-parameters (CoCreateInstance, QueryInterface): drops the current reference and
    // lets the callee store a new one.
    [[nodiscard]] T** Put() {
        Reset();
        return &p_;
    }
    [[nodiscard]] void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    void Reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }

    // Another interface of the same object, or an empty pointer.
    template <typename U>
    [[nodiscard]] ComPtr<U> As(REFIID iid) const {
        ComPtr<U> other;
        if (p_ && FAILED(p_->QueryInterface(iid, other.PutVoid()))) other.Reset();
        return other;
    }

  private:
    T* p_ = nullptr;
};

}  // namespace lumeno::win32
