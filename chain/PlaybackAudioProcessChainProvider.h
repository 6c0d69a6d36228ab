#pragma once

#include "chain/AudioProcessChainProvider.h"

namespace veltra {

// Supplies the speaker path's built-in list of seven stages on attach.
class PlaybackAudioProcessChainProvider final : public AudioProcessChainProvider {
  public:
    void attach(AudioProcessChainProviderCallback* callback) override;

    static ParameterList defaultList();
};

}  // namespace veltra
