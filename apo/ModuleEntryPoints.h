#pragma once

#include "apo/platform/ComTypes.h"

// The module's four exported entry points.
extern "C" {
HRESULT DllCanUnloadNow();
HRESULT DllGetClassObject(REFCLSID classId, REFIID riid, void** object);
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();
}
