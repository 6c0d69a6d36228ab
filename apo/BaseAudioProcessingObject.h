#pragma once

#include <mutex>

#include "apo/platform/AudioEngineApoTypes.h"

namespace veltra::apo {

// The processing-object behaviour both of our objects inherit: format negotiation, the lock and
// unlock rules with their error codes, the registration record and the frame arithmetic. Formats
// must be 32-bit float with equal channels, rate and sample size on input and output; buffers may
// not be shared (the registration flags say not in place).
class BaseAudioProcessingObject {
  public:
    explicit BaseAudioProcessingObject(const APO_REG_PROPERTIES& registration)
        : registration_(registration) {}
    virtual ~BaseAudioProcessingObject() = default;

    HRESULT Reset() { return S_OK; }
    HRESULT GetLatency(std::int64_t* latency);
    HRESULT GetRegistrationProperties(APO_REG_PROPERTIES** properties);
    HRESULT IsInputFormatSupported(IAudioMediaType* opposite, IAudioMediaType* requested,
                                   IAudioMediaType** supported);
    HRESULT IsOutputFormatSupported(IAudioMediaType* opposite, IAudioMediaType* requested,
                                    IAudioMediaType** supported);
    HRESULT GetInputChannelCount(UINT32* count);
    virtual HRESULT LockForProcess(UINT32 inputCount, APO_CONNECTION_DESCRIPTOR** inputs,
                                   UINT32 outputCount, APO_CONNECTION_DESCRIPTOR** outputs);
    virtual HRESULT UnlockForProcess();
    UINT32 CalcInputFrames(UINT32 outputFrames) const { return outputFrames; }
    UINT32 CalcOutputFrames(UINT32 inputFrames) const { return inputFrames; }

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
