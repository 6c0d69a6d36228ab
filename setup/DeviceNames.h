#pragma once

#include <windows.h>

#include <optional>
#include <string>

struct IMMDeviceEnumerator;

namespace veltra::setup {

// What the system's device enumerator says of an endpoint: its friendly name and state, for the
// endpoints it lists. Simulated or unplugged endpoints it does not know get nothing here.
class DeviceNames {
  public:
    DeviceNames();
    ~DeviceNames();
    DeviceNames(const DeviceNames&) = delete;
    DeviceNames& operator=(const DeviceNames&) = delete;

    std::optional<std::wstring> name(const std::wstring& endpointId) const;
    std::optional<DWORD> state(const std::wstring& endpointId) const;
    // The default endpoint of a flow (0 render, 1 capture) for the console role.
    std::optional<std::wstring> defaultEndpoint(int flow) const;

  private:
    ::IMMDeviceEnumerator* enumerator_ = nullptr;
};

}  // namespace veltra::setup
