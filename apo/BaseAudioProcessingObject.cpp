#include "apo/BaseAudioProcessingObject.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "apo/ApoRegistrationRecords.h"
#include "apo/AudioMediaType.h"

#if defined(_WIN32)
#include <combaseapi.h>
#endif

namespace veltra::apo {

void* taskAllocate(std::size_t bytes) {
#if defined(_WIN32)
    return CoTaskMemAlloc(bytes);
#else
    return std::malloc(bytes);
#endif
}

void taskFree(void* memory) {
#if defined(_WIN32)
    CoTaskMemFree(memory);
#else
    std::free(memory);
#endif
}

HRESULT BaseAudioProcessingObject::GetLatency(HNSTIME* latency) {
    if (latency == nullptr) return E_POINTER;
    *latency = 0;
    return S_OK;
}

HRESULT BaseAudioProcessingObject::GetRegistrationProperties(APO_REG_PROPERTIES** properties) {
    if (properties == nullptr) return E_POINTER;
    const std::size_t size = registrationSize(registration_);
    void* copy = taskAllocate(size);
    if (copy == nullptr) return E_OUTOFMEMORY;
    std::memcpy(copy, &registration_, size);
    *properties = static_cast<APO_REG_PROPERTIES*>(copy);
    return S_OK;
}

bool BaseAudioProcessingObject::correctFormat(UNCOMPRESSEDAUDIOFORMAT& f) {
    const UNCOMPRESSEDAUDIOFORMAT before = f;
    f.guidFormatType = KSDATAFORMAT_SUBTYPE_IEEE_FLOAT;
    f.dwSamplesPerFrame = std::clamp<DWORD>(f.dwSamplesPerFrame, 1, 4096);
    f.dwBytesPerSampleContainer = 4;
    f.dwValidBitsPerSample = 32;
    // A NaN rate compares false both ways; it becomes the lowest acceptable rate.
    f.fFramesPerSecond =
        f.fFramesPerSecond >= 10.0f ? std::min(f.fFramesPerSecond, 384000.0f) : 10.0f;
    return !AudioMediaType::sameFormat(before, f);
}

HRESULT BaseAudioProcessingObject::negotiate(IAudioMediaType* opposite, IAudioMediaType* requested,
                                             IAudioMediaType** supported) {
    if (supported != nullptr) *supported = nullptr;
    if (requested == nullptr || supported == nullptr) return E_POINTER;
    UNCOMPRESSEDAUDIOFORMAT other{};
    if (opposite != nullptr) {
        if (FAILED(opposite->GetUncompressedAudioFormat(&other)))
            return APOERR_FORMAT_NOT_SUPPORTED;
        UNCOMPRESSEDAUDIOFORMAT check = other;
        if (correctFormat(check)) return APOERR_FORMAT_NOT_SUPPORTED;
    }
    UNCOMPRESSEDAUDIOFORMAT wanted{};
    if (FAILED(requested->GetUncompressedAudioFormat(&wanted))) return APOERR_FORMAT_NOT_SUPPORTED;
    bool changed = correctFormat(wanted);
    if (opposite != nullptr) {
        // Channels, sample size and rate must match the other side.
        const UNCOMPRESSEDAUDIOFORMAT before = wanted;
        wanted.dwSamplesPerFrame = other.dwSamplesPerFrame;
        wanted.dwChannelMask = other.dwChannelMask;
        wanted.dwBytesPerSampleContainer = other.dwBytesPerSampleContainer;
        wanted.dwValidBitsPerSample = other.dwValidBitsPerSample;
        wanted.fFramesPerSecond = other.fFramesPerSecond;
        changed = changed || !AudioMediaType::sameFormat(before, wanted);
    }
    if (changed) {
        *supported = AudioMediaType::create(wanted);
        return S_FALSE;
    }
    requested->AddRef();
    *supported = requested;
    return S_OK;
}

HRESULT BaseAudioProcessingObject::IsInputFormatSupported(IAudioMediaType* opposite,
                                                          IAudioMediaType* requested,
                                                          IAudioMediaType** supported) {
    return negotiate(opposite, requested, supported);
}

HRESULT BaseAudioProcessingObject::IsOutputFormatSupported(IAudioMediaType* opposite,
                                                           IAudioMediaType* requested,
                                                           IAudioMediaType** supported) {
    return negotiate(opposite, requested, supported);
}

HRESULT BaseAudioProcessingObject::GetInputChannelCount(UINT32* count) {
    if (count == nullptr) return E_POINTER;
    if (!initialized_) return APOERR_NOT_INITIALIZED;
    *count = format_.dwSamplesPerFrame;
    return S_OK;
}

HRESULT BaseAudioProcessingObject::checkConnections(UINT32 inputCount,
                                                    APO_CONNECTION_DESCRIPTOR** inputs,
                                                    UINT32 outputCount,
                                                    APO_CONNECTION_DESCRIPTOR** outputs) {
    if (inputs == nullptr || outputs == nullptr) return E_POINTER;
    if (inputCount != 1 || outputCount != 1) return APOERR_NUM_CONNECTIONS_INVALID;
    APO_CONNECTION_DESCRIPTOR* in = inputs[0];
    APO_CONNECTION_DESCRIPTOR* out = outputs[0];
    if (in == nullptr || out == nullptr || in->pFormat == nullptr || out->pFormat == nullptr)
        return E_POINTER;

    for (const bool output : {true, false}) {
        IAudioMediaType* answer = nullptr;
        const HRESULT hr = output ? IsOutputFormatSupported(in->pFormat, out->pFormat, &answer)
                                  : IsInputFormatSupported(out->pFormat, in->pFormat, &answer);
        if (answer != nullptr) answer->Release();
        if (hr != S_OK) return APOERR_FORMAT_NOT_SUPPORTED;
    }
    if (in->u32Signature != APO_CONNECTION_DESCRIPTOR_SIGNATURE ||
        out->u32Signature != APO_CONNECTION_DESCRIPTOR_SIGNATURE) {
        return E_INVALIDARG;
    }
    UNCOMPRESSEDAUDIOFORMAT inFormat{}, outFormat{};
    in->pFormat->GetUncompressedAudioFormat(&inFormat);
    out->pFormat->GetUncompressedAudioFormat(&outFormat);
    if (!AudioMediaType::sameFormat(inFormat, outFormat)) return APOERR_INVALID_CONNECTION_FORMAT;
    if (in->u32MaxFrameCount > out->u32MaxFrameCount) return APOERR_INVALID_OUTPUT_MAXFRAMECOUNT;
    const std::uint64_t frameBytes =
        std::uint64_t{inFormat.dwSamplesPerFrame} * inFormat.dwBytesPerSampleContainer;
    const std::uint64_t inEnd = in->pBuffer + frameBytes * in->u32MaxFrameCount;
    const std::uint64_t outEnd = out->pBuffer + frameBytes * out->u32MaxFrameCount;
    if (in->pBuffer < outEnd && out->pBuffer < inEnd) return APOERR_BUFFERS_OVERLAP;
    format_ = inFormat;
    return S_OK;
}

HRESULT BaseAudioProcessingObject::LockForProcess(UINT32 inputCount,
                                                  APO_CONNECTION_DESCRIPTOR** inputs,
                                                  UINT32 outputCount,
                                                  APO_CONNECTION_DESCRIPTOR** outputs) {
    const std::lock_guard<std::mutex> guard(baseLock_);
    if (locked_) return APOERR_ALREADY_LOCKED;
    const HRESULT hr = checkConnections(inputCount, inputs, outputCount, outputs);
    if (FAILED(hr)) return hr;
    locked_ = true;
    return S_OK;
}

HRESULT BaseAudioProcessingObject::UnlockForProcess() {
    const std::lock_guard<std::mutex> guard(baseLock_);
    if (!locked_) return APOERR_NOT_LOCKED;
    locked_ = false;
    return S_OK;
}

}  // namespace veltra::apo
