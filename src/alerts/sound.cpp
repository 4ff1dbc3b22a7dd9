// PlayAlertSound: 1.mp3 beside the program, twice.
#include "alerts/sound.h"

#include "alerts/player.h"
#include "alerts/program_folder.h"
#include "text/primitives.h"

namespace lumeno {

void PlayAlertSound() {
    // A forward slash, which Windows accepts as well as the backslash.
    const TextValue path = ConcatText({ProgramFolder(), "/1.mp3"});
    Play(2, {path});
}

}  // namespace lumeno
