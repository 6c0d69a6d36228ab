#include "apo/AudioMediaType.h"

namespace veltra::apo {

const GUID KSDATAFORMAT_SUBTYPE_IEEE_FLOAT = {
    0x00000003, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const IID IID_IAudioMediaType = {
    0x4E997F73, 0xB71F, 0x4798, {0x87, 0x3B, 0xED, 0x7D, 0xFC, 0xF1, 0x5B, 0x4D}};

bool AudioMediaType::sameFormat(const UNCOMPRESSEDAUDIOFORMAT& a,
                                const UNCOMPRESSEDAUDIOFORMAT& b) {
    return a.guidFormatType == b.guidFormatType && a.dwSamplesPerFrame == b.dwSamplesPerFrame &&
           a.dwBytesPerSampleContainer == b.dwBytesPerSampleContainer &&
           a.dwValidBitsPerSample == b.dwValidBitsPerSample &&
           a.fFramesPerSecond == b.fFramesPerSecond && a.dwChannelMask == b.dwChannelMask;
}

HRESULT AudioMediaType::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!(riid == IID_IUnknown) && !(riid == IID_IAudioMediaType)) return E_NOINTERFACE;
    *object = static_cast<IAudioMediaType*>(this);
    AddRef();
    return S_OK;
}

ULONG AudioMediaType::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT AudioMediaType::IsCompressedFormat(int* compressed) {
    if (compressed == nullptr) return E_POINTER;
    *compressed = 0;
    return S_OK;
}

HRESULT AudioMediaType::IsEqual(IAudioMediaType* other, DWORD* flags) {
    if (other == nullptr || flags == nullptr) return E_POINTER;
    UNCOMPRESSEDAUDIOFORMAT theirs{};
    const HRESULT hr = other->GetUncompressedAudioFormat(&theirs);
    if (FAILED(hr)) return hr;
    // All four "equal" bits (format type, format data, user data, everything) or none.
    *flags = sameFormat(format_, theirs) ? 0xFu : 0u;
    return S_OK;
}

HRESULT AudioMediaType::GetUncompressedAudioFormat(UNCOMPRESSEDAUDIOFORMAT* format) {
    if (format == nullptr) return E_POINTER;
    *format = format_;
    return S_OK;
}

}  // namespace veltra::apo
