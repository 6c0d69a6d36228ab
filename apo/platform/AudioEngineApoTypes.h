#pragma once

// ---------------------------------------------------------------------------------------------
// Audio engine processing-object declarations, written by us from the documented layouts and
// names (audioenginebaseapo.h), because the MinGW-w64 headers do not provide them and Linux has
// none. Everything here must keep the documented field order and sizes.
// Sources (learn.microsoft.com, Windows driver documentation): "audioapotypes.h" for APO_FLAG,
// APO_REG_PROPERTIES, APO_BUFFER_FLAGS, APO_CONNECTION_PROPERTY, APO_CONNECTION_BUFFER_TYPE and
// APO_CONNECTION_DESCRIPTOR; "audiomediatype.h" for UNCOMPRESSEDAUDIOFORMAT and IAudioMediaType;
// "audioenginebaseapo.h" for APOInitBaseStruct, APOInitSystemEffects, APOInitSystemEffects2 and
// the APOERR_* codes; "ksmedia.h" for KSDATAFORMAT_SUBTYPE_IEEE_FLOAT. The 64-bit sizes below
// are asserted, and MinGW-w64's own APO_CONNECTION_PROPERTY is compared in the Wine host.
// ---------------------------------------------------------------------------------------------

#include <cstdint>

#include "apo/platform/WinTypes.h"

namespace veltra::apo {

using APO_FLAG = UINT32;
constexpr APO_FLAG APO_FLAG_INPLACE = 0x1;
constexpr APO_FLAG APO_FLAG_SAMPLESPERFRAME_MUST_MATCH = 0x2;
constexpr APO_FLAG APO_FLAG_FRAMESPERSECOND_MUST_MATCH = 0x4;
constexpr APO_FLAG APO_FLAG_BITSPERSAMPLE_MUST_MATCH = 0x8;

// Registration properties of one processing object, with room for one interface; a record with
// more interfaces is allocated 16 bytes larger per further interface.
struct APO_REG_PROPERTIES {
    CLSID clsid;
    APO_FLAG Flags;
    WCHAR szFriendlyName[256];
    WCHAR szCopyrightInfo[256];
    UINT32 u32MajorVersion;
    UINT32 u32MinorVersion;
    UINT32 u32MinInputConnections;
    UINT32 u32MaxInputConnections;
    UINT32 u32MinOutputConnections;
    UINT32 u32MaxOutputConnections;
    UINT32 u32MaxInstances;
    UINT32 u32NumAPOInterfaces;
    IID iidAPOInterfaceList[1];
};

static_assert(sizeof(APO_REG_PROPERTIES) == 16 + 4 + 512 + 512 + 32 + 16, "documented layout");

}  // namespace veltra::apo

namespace veltra::apo {

// Buffer flags of a connection property.
enum APO_BUFFER_FLAGS : UINT32 {
    BUFFER_INVALID = 0,
    BUFFER_VALID = 1,
    BUFFER_SILENT = 2,
};

// One connection's buffer as handed to the real-time entry.
struct APO_CONNECTION_PROPERTY {
    std::uintptr_t pBuffer;
    UINT32 u32ValidFrameCount;
    APO_BUFFER_FLAGS u32BufferFlags;
    UINT32 u32Signature;
};

constexpr HRESULT APOERR_NOT_INITIALIZED = static_cast<HRESULT>(0x887D0002u);
constexpr HRESULT APOERR_FORMAT_NOT_SUPPORTED = static_cast<HRESULT>(0x887D0003u);
constexpr HRESULT APOERR_BUFFERS_OVERLAP = static_cast<HRESULT>(0x887D0005u);
constexpr HRESULT APOERR_NOT_LOCKED = static_cast<HRESULT>(0x887D0006u);
constexpr HRESULT APOERR_NUM_CONNECTIONS_INVALID = static_cast<HRESULT>(0x887D0007u);
constexpr HRESULT APOERR_INVALID_OUTPUT_MAXFRAMECOUNT = static_cast<HRESULT>(0x887D0008u);
constexpr HRESULT APOERR_INVALID_CONNECTION_FORMAT = static_cast<HRESULT>(0x887D0009u);
constexpr HRESULT APOERR_ALREADY_LOCKED = static_cast<HRESULT>(0x887D000Au);

}  // namespace veltra::apo

#include "apo/platform/ComTypes.h"

namespace veltra::apo {

using FLOAT = float;

// {00000003-0000-0010-8000-00AA00389B71}
extern const GUID KSDATAFORMAT_SUBTYPE_IEEE_FLOAT;
extern const IID IID_IAudioMediaType;

struct UNCOMPRESSEDAUDIOFORMAT {
    GUID guidFormatType;
    DWORD dwSamplesPerFrame;
    DWORD dwBytesPerSampleContainer;
    DWORD dwValidBitsPerSample;
    FLOAT fFramesPerSecond;
    DWORD dwChannelMask;
};

// The media type of one connection. Only the uncompressed description is used by this module.
class IAudioMediaType : public IUnknown {
  public:
    virtual HRESULT IsCompressedFormat(int* compressed) = 0;
    virtual HRESULT IsEqual(IAudioMediaType* other, DWORD* flags) = 0;
    virtual const void* GetAudioFormat() = 0;
    virtual HRESULT GetUncompressedAudioFormat(UNCOMPRESSEDAUDIOFORMAT* format) = 0;

  protected:
    ~IAudioMediaType() = default;
};

enum APO_CONNECTION_BUFFER_TYPE : UINT32 {
    APO_CONNECTION_BUFFER_TYPE_ALLOCATED = 0,
    APO_CONNECTION_BUFFER_TYPE_EXTERNAL = 1,
    APO_CONNECTION_BUFFER_TYPE_DEPENDANT = 2,
};

constexpr UINT32 APO_CONNECTION_DESCRIPTOR_SIGNATURE = 0x41434453;  // 'ACDS'

struct APO_CONNECTION_DESCRIPTOR {
    APO_CONNECTION_BUFFER_TYPE Type;
    std::uintptr_t pBuffer;
    UINT32 u32MaxFrameCount;
    IAudioMediaType* pFormat;
    UINT32 u32Signature;
};

}  // namespace veltra::apo

#include "apo/platform/DeviceTypes.h"

namespace veltra::apo {

struct APOInitBaseStruct {
    UINT32 cbSize;
    CLSID clsid;
};

// What the audio engine hands to Initialize: 56 bytes, or 88 with the processing mode (64-bit).
struct APOInitSystemEffects {
    APOInitBaseStruct APOInit;
    IPropertyStore* pAPOEndpointProperties;
    IPropertyStore* pAPOSystemEffectsProperties;
    void* pReserved;
    IMMDeviceCollection* pDeviceCollection;
};

struct APOInitSystemEffects2 {
    APOInitBaseStruct APOInit;
    IPropertyStore* pAPOEndpointProperties;
    IPropertyStore* pAPOSystemEffectsProperties;
    void* pReserved;
    IMMDeviceCollection* pDeviceCollection;
    UINT32 nSoftwareIoDeviceInCollection;
    UINT32 nSoftwareIoConnectorIndex;
    GUID AudioProcessingMode;
    int InitializeForDiscoveryOnly;
};

static_assert(sizeof(void*) != 8 || sizeof(APOInitSystemEffects) == 56, "documented 64-bit layout");
static_assert(sizeof(void*) != 8 || sizeof(APOInitSystemEffects2) == 88,
              "documented 64-bit layout");

}  // namespace veltra::apo
