// The one writer of ProgramFolder, shared by the platform files that find the folder.
#pragma once

#include "text/values.h"

namespace lumeno {

void StoreProgramFolder(TextValue folder);

}  // namespace lumeno
