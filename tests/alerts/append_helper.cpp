// A second program appending to a log at the same time as another: alerts_append_helper
// FOLDER COUNT TAG appends COUNT lines "TAG-<n>" to FOLDER's log.txt as fast as it can.
#include <cstdlib>
#include <string>

#include "alerts/log.h"
#include "alerts/program_folder.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    lumeno::SetProgramFolderForTesting(lumeno::TextValue(std::string(argv[1])));
    const int count = std::atoi(argv[2]);
    const std::string tag = argv[3];
    for (int i = 0; i < count; ++i)
        lumeno::AppendLog(lumeno::TextValue(tag + "-" + std::to_string(i)));
    return 0;
}
