// The alert tests' platform services on Windows.
#include <windows.h>

#include "test_platform.h"

namespace lumeno::test {

namespace {

class Handle {
  public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    [[nodiscard]] HANDLE Get() const { return h_; }
    [[nodiscard]] bool IsOpen() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE h_;
};

class HeldFile : public ExclusiveHold {
  public:
    explicit HeldFile(HANDLE h) : handle_(h) {}

  private:
    Handle handle_;
};

}  // namespace

int RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args) {
    std::wstring line = L"\"" + program.wstring() + L"\"";
    for (const std::string& a : args) line += L" \"" + std::filesystem::path(a).wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.wstring().c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return -1;
    Handle process(info.hProcess);
    Handle thread(info.hThread);
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.Get(), &code)) return -1;
    return static_cast<int>(code);
}

std::filesystem::path TestProgramFolder() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return std::filesystem::path(path).parent_path();
}

std::string ExecutableSuffix() {
    return ".exe";
}

bool IsOpenInThisProcess(const std::filesystem::path& file) {
    // An open that shares nothing fails while any other handle is open on the file.
    Handle h(CreateFileW(file.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    return !h.IsOpen() && GetLastError() == ERROR_SHARING_VIOLATION;
}

std::unique_ptr<ExclusiveHold> HoldExclusively(const std::filesystem::path& file) {
    HANDLE h = CreateFileW(file.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<HeldFile>(h);
}

bool MakeReadOnly(const std::filesystem::path& file) {
    if (!SetFileAttributesW(file.wstring().c_str(), FILE_ATTRIBUTE_READONLY)) return false;
    // Under wine run by root the attribute is only the Unix mode, which root ignores.
    Handle h(CreateFileW(file.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !h.IsOpen();
}

}  // namespace lumeno::test
