#pragma once

#include "chain/AudioProcessChainProvider.h"

namespace veltra {

// Supplies the speaker path's built-in list of seven stages on attach.
class PlaybackAudioProcessChainProvider final : public AudioProcessChainProvider {
  public:
    PlaybackAudioProcessChainProvider() = default;
    // Supplies a copy of `tuning` instead of the built-in list (the built-in list for null).
    explicit PlaybackAudioProcessChainProvider(const ParameterList* tuning);

    void attach(AudioProcessChainProviderCallback* callback) override;

    static ParameterList defaultList();

  private:
    ParameterList tuning_;
    bool tuned_ = false;
};

}  // namespace veltra
