#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "setup/RegistryValue.h"

namespace veltra::setup {

enum class Flow { Render, Capture };

// An audio endpoint as the endpoint tree stores it: under
// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\{Render|Capture}\{guid}.
struct Endpoint {
    Flow flow;
    std::wstring guid;  // the key name, braces included

    // The id the device enumerator uses: "{0.0.0.00000000}.{guid}", 1 for capture.
    std::wstring id() const;
    const wchar_t* flowName() const { return flow == Flow::Render ? L"Render" : L"Capture"; }
};

// Reads and writes endpoints' effect properties (their FxProperties key) and the little else the
// setup shows of them. Every call opens what it needs and closes it again.
class EndpointRegistry {
  public:
    // Every endpoint of both flows; keys that are not GUIDs are left out.
    LONG list(std::vector<Endpoint>& endpoints) const;
    // The endpoint an id or a bare {guid} names, if the tree has it.
    std::optional<Endpoint> find(const std::wstring& idOrGuid) const;

    LONG readEffect(const Endpoint& endpoint, const std::wstring& name, RegistryValue& value) const;
    // Writes (or, for an absent value, deletes) one effect property; creates FxProperties.
    LONG writeEffect(const Endpoint& endpoint, const std::wstring& name,
                     const RegistryValue& value) const;
    bool hasEffectsKey(const Endpoint& endpoint) const;
    // Removes FxProperties if it holds nothing (an attach created it).
    LONG removeEmptyEffectsKey(const Endpoint& endpoint) const;

    // The name and state stored in the tree (the device enumerator's are preferred where it
    // lists the endpoint; see DeviceNames).
    std::wstring storedName(const Endpoint& endpoint) const;
    std::optional<DWORD> storedState(const Endpoint& endpoint) const;

    static std::wstring keyPath(const Endpoint& endpoint);
};

}  // namespace veltra::setup
