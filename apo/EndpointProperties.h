#pragma once

#include "apo/platform/ComTypes.h"

namespace veltra::apo {

extern const PROPERTYKEY PKEY_Endpoint_Enable_SpkMFX;
extern const PROPERTYKEY PKEY_AudioEndpoint_Disable_SysFx;
extern const GUID AUDIO_SIGNALPROCESSINGMODE_DEFAULT;
extern const GUID AUDIO_SIGNALPROCESSINGMODE_RAW;

// 1 when the endpoint allows system effects (its Disable_SysFx property reads successfully and is
// not a non-zero VT_UI4), `key` reads as a non-zero VT_UI4, and the mode is not raw; else 0.
int readEffectsEnable(IPropertyStore* store, const PROPERTYKEY& key, const GUID& mode);

}  // namespace veltra::apo
