#pragma once

// Endpoint-notification and event declarations the processing objects use. On Windows they come
// from the system headers (mmdeviceapi.h); elsewhere these are our own minimal equivalents with
// the documented names, plus an in-process device enumerator and events that tests can drive.

#include "apo/platform/ComTypes.h"

#if defined(_WIN32)
#include <mmdeviceapi.h>
#else
#include <vector>

using HANDLE = void*;
using LPCWSTR = const WCHAR*;
enum EDataFlow { eRender, eCapture, eAll };
enum ERole { eConsole, eMultimedia, eCommunications };

class IMMDeviceCollection;  // only passed through, never called

class IMMNotificationClient : public IUnknown {
  public:
    virtual HRESULT OnDeviceStateChanged(LPCWSTR device, DWORD state) = 0;
    virtual HRESULT OnDeviceAdded(LPCWSTR device) = 0;
    virtual HRESULT OnDeviceRemoved(LPCWSTR device) = 0;
    virtual HRESULT OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR device) = 0;
    virtual HRESULT OnPropertyValueChanged(LPCWSTR device, const PROPERTYKEY key) = 0;

  protected:
    ~IMMNotificationClient() = default;
};

// Only the two operations this module calls.
class IMMDeviceEnumerator : public IUnknown {
  public:
    virtual HRESULT RegisterEndpointNotificationCallback(IMMNotificationClient* client) = 0;
    virtual HRESULT UnregisterEndpointNotificationCallback(IMMNotificationClient* client) = 0;

  protected:
    ~IMMDeviceEnumerator() = default;
};

extern const IID IID_IMMNotificationClient;
#endif

namespace veltra::apo {

// Creates the system's device enumerator (CoCreateInstance of MMDeviceEnumerator on Windows).
HRESULT createDeviceEnumerator(IMMDeviceEnumerator** enumerator);

// An event handle duplicated with only the right to set it; a system error code on failure.
LONG duplicateEventForSetting(HANDLE source, HANDLE* duplicate);
void setEventHandle(HANDLE event);
void closeEventHandle(HANDLE event);

#if !defined(_WIN32)
// The in-process stand-ins behind the functions above, for tests and the offline host.
namespace testing {
HANDLE createEvent();
bool eventIsSet(HANDLE event);
void resetEvent(HANDLE event);
void failNextDuplication(LONG error);
void failNextEnumeratorCreation(HRESULT error);
// Delivers a property change to every registered notification client; returns how many.
int broadcastPropertyChange(const PROPERTYKEY& key);
std::size_t registeredClients();
}  // namespace testing
#endif

}  // namespace veltra::apo
