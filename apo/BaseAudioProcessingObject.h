#pragma once

#include <mutex>

#include "apo/platform/AudioEngineApoInterfaces.h"

namespace veltra::apo {

// The processing-object behaviour both of our objects inherit: format negotiation, the lock and
// unlock rules with their error codes, the registration record and the frame arithmetic. Formats
// must be 32-bit float with equal channels, rate and sample size on input and output; buffers may
// not be shared (the registration flags say not in place).
class BaseAudioProcessingObject : public IAudioProcessingObject,
                                  public IAudioProcessingObjectRT,
                                  public IAudioProcessingObjectConfiguration {
  public:
    explicit BaseAudioProcessingObject(const APO_REG_PROPERTIES& registration)
        : registration_(registration) {}
    virtual ~BaseAudioProcessingObject() = default;

    HRESULT VELTRA_STDCALL Reset() override { return S_OK; }
    HRESULT VELTRA_STDCALL GetLatency(HNSTIME* latency) override;
    HRESULT VELTRA_STDCALL GetRegistrationProperties(APO_REG_PROPERTIES** properties) override;
    HRESULT VELTRA_STDCALL IsInputFormatSupported(IAudioMediaType* opposite,
                                                  IAudioMediaType* requested,
                                                  IAudioMediaType** supported) override;
    HRESULT VELTRA_STDCALL IsOutputFormatSupported(IAudioMediaType* opposite,
                                                   IAudioMediaType* requested,
                                                   IAudioMediaType** supported) override;
    HRESULT VELTRA_STDCALL GetInputChannelCount(UINT32* count) override;
    HRESULT VELTRA_STDCALL LockForProcess(UINT32 inputCount, APO_CONNECTION_DESCRIPTOR** inputs,
                                          UINT32 outputCount,
                                          APO_CONNECTION_DESCRIPTOR** outputs) override;
    HRESULT VELTRA_STDCALL UnlockForProcess() override;
    UINT32 VELTRA_STDCALL CalcInputFrames(UINT32 outputFrames) override { return outputFrames; }
    UINT32 VELTRA_STDCALL CalcOutputFrames(UINT32 inputFrames) override { return inputFrames; }

    bool initialized() const { return initialized_; }
    bool locked() const { return locked_; }
    const UNCOMPRESSEDAUDIOFORMAT& format() const { return format_; }

    // Corrects a format towards the nearest acceptable one; true when anything changed.
    static bool correctFormat(UNCOMPRESSEDAUDIOFORMAT& format);

  protected:
    HRESULT negotiate(IAudioMediaType* opposite, IAudioMediaType* requested,
                      IAudioMediaType** supported);
    void setInitialized() { initialized_ = true; }
    std::mutex& baseLock() { return baseLock_; }

  private:
    HRESULT checkConnections(UINT32 inputCount, APO_CONNECTION_DESCRIPTOR** inputs,
                             UINT32 outputCount, APO_CONNECTION_DESCRIPTOR** outputs);

    const APO_REG_PROPERTIES& registration_;
    std::mutex baseLock_;
    bool initialized_ = false;
    bool locked_ = false;
    UNCOMPRESSEDAUDIOFORMAT format_{};
};

// The COM task allocator: CoTaskMemAlloc and CoTaskMemFree on Windows, the C heap elsewhere.
void* taskAllocate(std::size_t bytes);
void taskFree(void* memory);

}  // namespace veltra::apo
