#pragma once

#include <windows.h>

#include <utility>

// A kernel handle (process, file, event, thread) with one owner, closed when it goes.
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE owned) : handle(owned == INVALID_HANDLE_VALUE ? nullptr : owned) {}
    ~ScopedHandle() { Close(); }
    ScopedHandle(ScopedHandle&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            handle = std::exchange(other.handle, nullptr);
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE Get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }
    void Close()
    {
        if (handle)
            CloseHandle(std::exchange(handle, nullptr));
    }

private:
    HANDLE handle = nullptr;
};
