#pragma once

#include <cstddef>

#include "apo/platform/AudioEngineApoTypes.h"

namespace veltra::apo {

// Class and interface identifiers of the two processing objects.
extern const CLSID CLSID_VeltraDspSpkAPOMFX;
extern const CLSID CLSID_VeltraDspMicAPOMFX;
extern const IID IID_IVeltraDspSpkAPOMFX;
extern const IID IID_IVeltraDspMicAPOMFX;
extern const GUID APPID_VeltraDspAPODll;
// The type library of the module resource (VeltraDspAPO.idl names the same identifier).
extern const GUID LIBID_VeltraDspAPOLib;

// The registration records, speaker first. They are built once at load time and never change, so
// the real-time thread may read them.
const APO_REG_PROPERTIES& speakerRegistration();
const APO_REG_PROPERTIES& microphoneRegistration();

// Size of a record as handed out: one interface entry included, 16 bytes per further one.
std::size_t registrationSize(const APO_REG_PROPERTIES& record);

}  // namespace veltra::apo
