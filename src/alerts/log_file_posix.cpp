// log.txt on POSIX: O_APPEND puts each line at the file's end in one write.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "alerts/log.h"
#include "alerts/log_file.h"
#include "alerts/program_folder.h"

namespace lumeno {

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    [[nodiscard]] int Get() const { return fd_; }
    [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }

  private:
    int fd_;
};

}  // namespace

void AppendLineToLogFile(std::string_view line) {
    const std::string path = ProgramFolder().Bytes() + "/log.txt";
    // One open that creates a missing file but never truncates an existing one: a
    // separate "create empty" step could wipe a line another program wrote in between.
    // A folder named log.txt, a read-only file or an unwritable folder make it fail.
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (!file.IsOpen()) return;
    // With O_APPEND the kernel moves to the end and writes under the file's lock, so a
    // line from another process never lands inside this one. A failed or short write
    // (a full disk) is ignored, as any failure of the log is.
    ssize_t written;
    do {
        written = ::write(file.Get(), line.data(), line.size());
    } while (written < 0 && errno == EINTR);
}

DateTime LocalDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace lumeno
