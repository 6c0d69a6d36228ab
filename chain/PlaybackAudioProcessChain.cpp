#include "chain/PlaybackAudioProcessChain.h"

#include <algorithm>
#include <limits>

namespace veltra {

bool PlaybackAudioProcessChain::init(const std::uint32_t* configuration) {
    if (configuration != nullptr) {
        inputChannels_ = configuration[0];
        // A count that does not fit a signed value can only be garbage; run no channels then.
        channels_ = configuration[1] <= static_cast<std::uint32_t>(std::numeric_limits<int>::max())
                        ? static_cast<int>(configuration[1])
                        : 0;
        sampleRate_ = configuration[2];
    }
    return AudioProcessChain::init(configuration);
}

}  // namespace veltra
