#pragma once

#include "apo/ApoObjectBase.h"

namespace veltra {
class VeltraDspCapture;
}

namespace veltra::apo {

// The microphone mode effect: one fixed capture engine for the object's whole life.
class VeltraDspMicAPOMFX final : public ApoObjectBase {
  public:
    // `outer` aggregates the new object; null for a stand-alone one.
    static VeltraDspMicAPOMFX* create(IUnknown* outer = nullptr) {
        return new VeltraDspMicAPOMFX(outer);
    }

    void VELTRA_STDCALL APOProcess(UINT32 inputCount, APO_CONNECTION_PROPERTY** inputs,
                                   UINT32 outputCount, APO_CONNECTION_PROPERTY** outputs) override;
    bool hasEngine() const { return engine_ != nullptr; }

  private:
    explicit VeltraDspMicAPOMFX(IUnknown* outer);
    ~VeltraDspMicAPOMFX() override;
    void onInitialized() override;

    VeltraDspCapture* engine_ = nullptr;
};

}  // namespace veltra::apo
