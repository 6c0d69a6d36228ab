#pragma once

#include "HostPlatform.h"

// The identifiers the host expects, in registry text form, as the platform documentation and our
// own interface tables list them. The host keeps its own copy so that a wrong constant in the
// module cannot agree with itself.
namespace host::ids {

inline constexpr const wchar_t* kSpeakerClass = L"{6F1D2A90-3B7E-4C15-9A2D-7E40C8B1D352}";
inline constexpr const wchar_t* kMicrophoneClass = L"{A4E7C3B2-5D19-4F08-8B6E-2C9F71D0E4A6}";
inline constexpr const wchar_t* kSpeakerInterface = L"{1B93F5C7-8E24-4A6D-B0C1-5F7A2E9D6C38}";
inline constexpr const wchar_t* kMicrophoneInterface = L"{D27A6E41-9C03-4B5F-8E7A-0B4C63F1A925}";
inline constexpr const wchar_t* kAppId = L"{5C08B9E3-2F61-47D4-9A3B-E1D6F0724B8C}";
inline constexpr const wchar_t* kTypeLibrary = L"{1FDCAB1D-6730-4B10-B2A3-DC2AEF6E6B03}";
// audioenginebaseapo.h, as listed on learn.microsoft.com.
inline constexpr const wchar_t* kApo = L"{FD7F2B29-24D0-4B5C-B177-592C39F9CA10}";
inline constexpr const wchar_t* kApoRT = L"{9E1D6A6D-DDBC-4E95-A4C7-AD64BA37846C}";
inline constexpr const wchar_t* kApoConfiguration = L"{0E5ED805-ABA6-49C3-8F9A-2B8C889C4FA8}";
inline constexpr const wchar_t* kSystemEffects = L"{5FA00F27-ADD6-499A-8A9D-6B98521FA75B}";
inline constexpr const wchar_t* kSystemEffects2 = L"{BAFE99D2-7436-44CE-9E0E-4D89AFBFFF56}";
// mmdeviceapi.h and functiondiscoverykeys: the notification interface, the endpoint switch.
inline constexpr const wchar_t* kNotificationClient = L"{7991EEC9-7E89-4D85-8390-6C703CEC60C0}";
inline constexpr const wchar_t* kDisableSysFx = L"{1DA5D803-D492-4EDD-8C23-E0C0FFEE7F0E}";
inline constexpr const wchar_t* kEnableSpkMfx = L"{7E3A1D5C-B842-4E96-A1F0-39C6D8B2E57A}";
inline constexpr const wchar_t* kModeDefault = L"{C18E2F7E-933D-4965-B7D1-1EEF228D2AF3}";
inline constexpr const wchar_t* kModeRaw = L"{9E90EA20-B493-4FD1-A1A8-7E1361A956CF}";

using host::guid;

}  // namespace host::ids
