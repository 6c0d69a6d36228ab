#include "apo/ApoRegistrationRecords.h"

#include "apo/platform/Sections.h"

namespace veltra::apo {

VELTRA_RT_CONST const CLSID CLSID_VeltraDspSpkAPOMFX = {
    0x6F1D2A90, 0x3B7E, 0x4C15, {0x9A, 0x2D, 0x7E, 0x40, 0xC8, 0xB1, 0xD3, 0x52}};
VELTRA_RT_CONST const CLSID CLSID_VeltraDspMicAPOMFX = {
    0xA4E7C3B2, 0x5D19, 0x4F08, {0x8B, 0x6E, 0x2C, 0x9F, 0x71, 0xD0, 0xE4, 0xA6}};
VELTRA_RT_CONST const IID IID_IVeltraDspSpkAPOMFX = {
    0x1B93F5C7, 0x8E24, 0x4A6D, {0xB0, 0xC1, 0x5F, 0x7A, 0x2E, 0x9D, 0x6C, 0x38}};
VELTRA_RT_CONST const IID IID_IVeltraDspMicAPOMFX = {
    0xD27A6E41, 0x9C03, 0x4B5F, {0x8E, 0x7A, 0x0B, 0x4C, 0x63, 0xF1, 0xA9, 0x25}};
VELTRA_RT_CONST const GUID APPID_VeltraDspAPODll = {
    0x5C08B9E3, 0x2F61, 0x47D4, {0x9A, 0x3B, 0xE1, 0xD6, 0xF0, 0x72, 0x4B, 0x8C}};
VELTRA_RT_CONST const GUID LIBID_VeltraDspAPOLib = {
    0x1FDCAB1D, 0x6730, 0x4B10, {0xB2, 0xA3, 0xDC, 0x2A, 0xEF, 0x6E, 0x6B, 0x03}};

namespace {

constexpr char kCopyright[] = "Copyright (c) VeltraDsp developers";

// Sample rate, channel count and sample size must match between input and output; the objects
// do not process in place.
constexpr APO_FLAG kFlags = APO_FLAG_SAMPLESPERFRAME_MUST_MATCH |
                            APO_FLAG_FRAMESPERSECOND_MUST_MATCH | APO_FLAG_BITSPERSAMPLE_MUST_MATCH;

template <std::size_t N>
void copyText(WCHAR (&field)[256], const char (&text)[N]) {
    static_assert(N <= 256, "the field holds 255 characters and the NUL");
    for (std::size_t i = 0; i < N; ++i) field[i] = static_cast<WCHAR>(text[i]);
}

template <std::size_t N>
APO_REG_PROPERTIES makeRecord(const CLSID& clsid, const char (&name)[N], const IID& iid) {
    APO_REG_PROPERTIES record{};
    record.clsid = clsid;
    record.Flags = kFlags;
    copyText(record.szFriendlyName, name);
    copyText(record.szCopyrightInfo, kCopyright);
    record.u32MajorVersion = 1;
    record.u32MinorVersion = 0;
    record.u32MinInputConnections = 1;
    record.u32MaxInputConnections = 1;
    record.u32MinOutputConnections = 1;
    record.u32MaxOutputConnections = 1;
    record.u32MaxInstances = 0xFFFFFFFFu;
    record.u32NumAPOInterfaces = 1;
    record.iidAPOInterfaceList[0] = iid;
    return record;
}

}  // namespace

const APO_REG_PROPERTIES& speakerRegistration() {
    VELTRA_RT_DATA static const APO_REG_PROPERTIES record =
        makeRecord(CLSID_VeltraDspSpkAPOMFX, "VeltraDspSpkAPOMFX", IID_IVeltraDspSpkAPOMFX);
    return record;
}

const APO_REG_PROPERTIES& microphoneRegistration() {
    VELTRA_RT_DATA static const APO_REG_PROPERTIES record =
        makeRecord(CLSID_VeltraDspMicAPOMFX, "VeltraDspMicAPOMFX", IID_IVeltraDspMicAPOMFX);
    return record;
}

std::size_t registrationSize(const APO_REG_PROPERTIES& record) {
    const std::size_t extra = record.u32NumAPOInterfaces > 1 ? record.u32NumAPOInterfaces - 1 : 0;
    return sizeof(APO_REG_PROPERTIES) + extra * sizeof(IID);
}

}  // namespace veltra::apo
