// PlayAlertSound: the alert played on every opening.
#pragma once

namespace lumeno {

// Plays 1.mp3 from the program's folder twice, cutting off any alert still playing.
// Returns as soon as playback has started or failed; a missing or unplayable file, or no
// audio device, plays nothing and says nothing.
void PlayAlertSound();

}  // namespace lumeno
