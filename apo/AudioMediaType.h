#pragma once

#include <atomic>

#include "apo/platform/AudioEngineApoTypes.h"

namespace veltra::apo {

// A reference-counted media type built from an uncompressed description, used for the formats the
// negotiation proposes. The module reads formats only through the uncompressed description, so it
// carries no wave-format block.
class AudioMediaType final : public IAudioMediaType {
  public:
    static AudioMediaType* create(const UNCOMPRESSEDAUDIOFORMAT& format) {
        return new AudioMediaType(format);
    }

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override;
    HRESULT IsCompressedFormat(int* compressed) override;
    HRESULT IsEqual(IAudioMediaType* other, DWORD* flags) override;
    const void* GetAudioFormat() override { return nullptr; }
    HRESULT GetUncompressedAudioFormat(UNCOMPRESSEDAUDIOFORMAT* format) override;

    static bool sameFormat(const UNCOMPRESSEDAUDIOFORMAT& a, const UNCOMPRESSEDAUDIOFORMAT& b);

  private:
    explicit AudioMediaType(const UNCOMPRESSEDAUDIOFORMAT& format) : format_(format) {}
    ~AudioMediaType() = default;

    std::atomic<ULONG> references_{1};
    UNCOMPRESSEDAUDIOFORMAT format_;
};

}  // namespace veltra::apo
