#pragma once
// Move-only owners for kernel handles and icons: each releases its value once,
// when it goes out of scope. A snapshot's "none" value differs from a process
// handle's, so each owner is typed by the value that means "none".
#include <windows.h>

template <typename Traits>
class Owned {
public:
    using Value = decltype(Traits::None());

    Owned() = default;
    explicit Owned(Value value) : value_(value) {}
    Owned(Owned&& other) noexcept : value_(other.value_) { other.value_ = Traits::None(); }
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Reset();
            value_ = other.value_;
            other.value_ = Traits::None();
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { Reset(); }

    Value get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::None(); }
    void Reset() {
        if (value_ != Traits::None()) Traits::Release(value_);
        value_ = Traits::None();
    }

private:
    Value value_ = Traits::None();
};

struct HandleTraits {
    static HANDLE None() { return nullptr; }
    static void Release(HANDLE handle) { CloseHandle(handle); }
};
struct SnapshotTraits {
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Release(HANDLE handle) { CloseHandle(handle); }
};
struct IconTraits {
    static HICON None() { return nullptr; }
    static void Release(HICON icon) { DestroyIcon(icon); }
};

// A process or thread handle (null when absent).
using OwnedHandle = Owned<HandleTraits>;
// A toolhelp snapshot (INVALID_HANDLE_VALUE when absent).
using OwnedSnapshot = Owned<SnapshotTraits>;
using OwnedIcon = Owned<IconTraits>;
