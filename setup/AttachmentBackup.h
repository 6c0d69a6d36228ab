#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "setup/EndpointRegistry.h"
#include "setup/RegistryValue.h"

namespace veltra::setup {

using SavedValues = std::vector<std::pair<std::wstring, RegistryValue>>;

// What an attach replaced, per endpoint, kept until the matching detach: under
// HKLM\SOFTWARE\VeltraDsp\Setup\Backup\{Render|Capture}\{guid}, each replaced value under its own
// name with its own type and bytes, the names of those that were absent in
// "Absent", and in "CreatedKey" whether the endpoint had no FxProperties key at all.
class AttachmentBackup {
  public:
    bool exists(const Endpoint& endpoint) const;
    // `createdEffectsKey`: the endpoint had no FxProperties key, so a detach removes it again.
    LONG save(const Endpoint& endpoint, const SavedValues& values, bool createdEffectsKey) const;
    LONG load(const Endpoint& endpoint, const std::vector<std::wstring>& names, SavedValues& values,
              bool& createdEffectsKey) const;
    LONG remove(const Endpoint& endpoint) const;

    static std::wstring keyPath(const Endpoint& endpoint);
};

}  // namespace veltra::setup
