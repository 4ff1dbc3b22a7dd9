// FileHandle: an owned Win32 file handle, closed at scope end.
#pragma once

#include <windows.h>

namespace lumeno {

class FileHandle {
  public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    [[nodiscard]] HANDLE Get() const { return h_; }
    [[nodiscard]] bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE h_;
};

}  // namespace lumeno
