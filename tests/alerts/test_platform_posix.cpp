// The alert tests' platform services on POSIX.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "test_platform.h"

extern char** environ;

namespace lumeno::test {

int RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args) {
    std::vector<std::string> all{program.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, all[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::filesystem::path TestProgramFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

std::string ExecutableSuffix() {
    return {};
}

bool IsOpenInThisProcess(const std::filesystem::path& file) {
    const auto wanted = std::filesystem::weakly_canonical(file);
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        std::error_code linkError;
        if (std::filesystem::read_symlink(fd.path(), linkError) == wanted) return true;
    }
    return false;
}

std::unique_ptr<ExclusiveHold> HoldExclusively(const std::filesystem::path&) {
    return nullptr;
}

bool MakeReadOnly(const std::filesystem::path& file) {
    if (::geteuid() == 0) return false;  // root writes read-only files all the same
    return ::chmod(file.c_str(), 0444) == 0;
}

}  // namespace lumeno::test
