#pragma once

// The identifiers the setup writes, in registry text form. The two classes are the module's own
// (a test holds them equal to the module's constants); the property keys and the mode are the
// audio engine's, as the Windows driver documentation lists them.
namespace veltra::setup::ids {

inline constexpr const wchar_t* kSpeakerClass = L"{6F1D2A90-3B7E-4C15-9A2D-7E40C8B1D352}";
inline constexpr const wchar_t* kMicrophoneClass = L"{A4E7C3B2-5D19-4F08-8B6E-2C9F71D0E4A6}";

// PKEY_FX_StreamEffectClsid, PKEY_FX_ModeEffectClsid, PKEY_FX_EndpointEffectClsid.
inline constexpr const wchar_t* kStreamEffect = L"{D04E05A6-594B-4FB6-A80D-01AF5EED7D1D},5";
inline constexpr const wchar_t* kModeEffect = L"{D04E05A6-594B-4FB6-A80D-01AF5EED7D1D},6";
inline constexpr const wchar_t* kEndpointEffect = L"{D04E05A6-594B-4FB6-A80D-01AF5EED7D1D},7";
// PKEY_MFX_ProcessingModes_Supported_For_Streaming, and AUDIO_SIGNALPROCESSINGMODE_DEFAULT.
inline constexpr const wchar_t* kModeEffectModes = L"{D3993A3F-99C2-4402-B5EC-A92A0367664B},6";
inline constexpr const wchar_t* kDefaultMode = L"{C18E2F7E-933D-4965-B7D1-1EEF228D2AF3}";

}  // namespace veltra::setup::ids
