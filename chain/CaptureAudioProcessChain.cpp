#include "chain/CaptureAudioProcessChain.h"

namespace veltra {

bool CaptureAudioProcessChain::init(const std::uint32_t* configuration) {
    if (configuration != nullptr) {
        referenceChannels_ = configuration[0];
        microphoneChannels_ = configuration[1];
        inputChannels_ = referenceChannels_ + microphoneChannels_;
        outputChannels_ = configuration[2];
        sampleRate_ = configuration[3];
    }
    return AudioProcessChain::init(configuration);
}

}  // namespace veltra
