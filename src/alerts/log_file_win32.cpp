// log.txt on Windows: every line written at the file's end under an append lock.
#include <windows.h>

#include <string>

#include "alerts/file_handle_win32.h"
#include "alerts/log.h"
#include "alerts/log_file.h"
#include "alerts/program_folder_win32.h"

namespace lumeno {

namespace {

// The append lock's byte sits at 2^62, beyond any log this program can meet.
constexpr DWORD kAppendLockOffsetHigh = 0x40000000;

}  // namespace

void AppendLineToLogFile(std::string_view line) {
    // The wide folder as the system reported it, so a folder whose name has no GBK form
    // still finds its log.
    const std::wstring path = ProgramFolderWide() + L"\\log.txt";
    // OPEN_ALWAYS creates a missing file without ever truncating an existing one, so no
    // line another program wrote meanwhile can be wiped. Readers and writers elsewhere are
    // welcome; an opener that shares nothing makes this open fail, and the line is lost,
    // as it is for a read-only file or a folder named log.txt.
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return;
    // Two programs appending at once must not write at the same end: every append holds
    // one byte far past any real log's end locked while it writes. That byte is never
    // data, so readers and other writers are not held up by it.
    OVERLAPPED lockAt{};
    lockAt.OffsetHigh = kAppendLockOffsetHigh;
    const bool locked = LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockAt) != 0;
    // An offset of all ones writes at the end of the file as it is at that moment; Windows
    // does that atomically by itself, the lock keeps emulations of it (wine) honest.
    OVERLAPPED atEnd{};
    atEnd.Offset = 0xFFFFFFFF;
    atEnd.OffsetHigh = 0xFFFFFFFF;
    DWORD written = 0;
    // A failed write is ignored; the line is simply lost.
    (void)WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, &atEnd);
    if (locked) UnlockFileEx(file.Get(), 0, 1, 0, &lockAt);
}

DateTime LocalDateTime() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace lumeno
