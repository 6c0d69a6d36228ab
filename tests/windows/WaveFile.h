#pragma once

#include <string>
#include <vector>

namespace host {

// Interleaved 32-bit float samples of a RIFF/WAVE file, as sox and veltradsp write them (format
// tag 3, or the extensible tag with the float subtype). Anything else reads as empty.
struct WaveFile {
    int channels = 0;
    int sampleRate = 0;
    std::vector<float> samples;
};

WaveFile readFloatWave(const std::string& path);

}  // namespace host
