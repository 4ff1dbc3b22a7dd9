// The 16-bit PCM the sound is decoded to and played as, in Windows' own description: the
// codec's output format and the wave device's input format are one and the same.
#pragma once

#include <windows.h>

#include <mmsystem.h>

#include "alerts/decoding_backend.h"

namespace lumeno {

[[nodiscard]] inline WAVEFORMATEX PcmWaveFormat(PcmFormat format) {
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = static_cast<WORD>(format.channels);
    pcm.nSamplesPerSec = static_cast<DWORD>(format.sampleRate);
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(format.BytesPerFrame());
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    return pcm;
}

}  // namespace lumeno
