// ProgramFolder's storage and the cut of a path before its last separator.
#include "alerts/program_folder.h"
#include "alerts/program_folder_store.h"

namespace lumeno {

namespace {
TextValue& Folder() {
    static TextValue folder;  // written at start-up, read-only afterwards
    return folder;
}
}  // namespace

const TextValue& ProgramFolder() {
    return Folder();
}

void StoreProgramFolder(TextValue folder) {
    Folder() = std::move(folder);
}

std::string_view FolderOfPath(std::string_view path, char separator) {
    const std::size_t cut = path.rfind(separator);
    return cut == std::string_view::npos ? std::string_view{} : path.substr(0, cut);
}

}  // namespace lumeno
