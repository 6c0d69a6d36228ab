#pragma once

// ---------------------------------------------------------------------------------------------
// Audio engine processing-object declarations, written by us from the documented layouts and
// names (audioenginebaseapo.h), because the MinGW-w64 headers do not provide them and Linux has
// none. Everything here must keep the documented field order and sizes.
// ---------------------------------------------------------------------------------------------

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
