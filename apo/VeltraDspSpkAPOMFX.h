#pragma once

#include <atomic>

#include "apo/ApoObjectBase.h"

namespace veltra {
class VeltraDspPlayback;
}

namespace veltra::apo {

// The speaker mode effect: a playback engine per lock, following the endpoint's enhancement switch.
class VeltraDspSpkAPOMFX final : public ApoObjectBase {
  public:
    // `outer` aggregates the new object; null for a stand-alone one.
    static VeltraDspSpkAPOMFX* create(IUnknown* outer = nullptr) {
        return new VeltraDspSpkAPOMFX(outer);
    }

    HRESULT VELTRA_STDCALL LockForProcess(UINT32 inputCount, APO_CONNECTION_DESCRIPTOR** inputs,
                                          UINT32 outputCount,
                                          APO_CONNECTION_DESCRIPTOR** outputs) override;
    HRESULT VELTRA_STDCALL UnlockForProcess() override;
    void VELTRA_STDCALL APOProcess(UINT32 inputCount, APO_CONNECTION_PROPERTY** inputs,
                                   UINT32 outputCount, APO_CONNECTION_PROPERTY** outputs) override;
    HRESULT VELTRA_STDCALL OnPropertyValueChanged(LPCWSTR device, const PROPERTYKEY key) override;

    int enableState() const { return enable_.load(); }
    bool hasEngine() const { return engine_ != nullptr; }

  private:
    explicit VeltraDspSpkAPOMFX(IUnknown* outer);
    ~VeltraDspSpkAPOMFX() override;
    void onPropertiesKnown() override;
    void sendEnableState();

    VeltraDspPlayback* engine_ = nullptr;
    std::atomic<int> enable_{0};
};

}  // namespace veltra::apo
