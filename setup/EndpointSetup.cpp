#include "setup/EndpointSetup.h"

#include <algorithm>

#include "setup/Identifiers.h"
#include "setup/ModuleRegistration.h"

namespace veltra::setup {

namespace {

bool holdsDefaultMode(const RegistryValue& modes) {
    if (!modes.present) return false;
    const std::vector<std::wstring> items = modes.items();
    return std::any_of(items.begin(), items.end(),
                       [](const std::wstring& m) { return sameText(m, ids::kDefaultMode); });
}

Outcome failure(LONG error, const std::wstring& what) {
    if (error == ERROR_ACCESS_DENIED) {
        return {kAccessDenied,
                what +
                    L": access denied. Run the setup from an elevated prompt (Run as "
                    L"administrator); where the endpoint's keys belong to the system, give "
                    L"Administrators full control of its FxProperties key first (see "
                    L"docs/endpoint-setup.md). Nothing was changed."};
    }
    return {kFailed, what + L": system error " + std::to_wstring(error) +
                         L". What had been written was put back."};
}

}  // namespace

const char* EndpointSetup::statusName(Status status) {
    switch (status) {
        case Status::Attached:
            return "attached";
        case Status::Replaced:
            return "replaced";
        case Status::ModuleMissing:
            return "module missing";
        case Status::Malformed:
            return "malformed";
        case Status::NotAttached:
            break;
    }
    return "not attached";
}

Status EndpointSetup::compare(const Endpoint& endpoint, RegistryValue& effect,
                              RegistryValue& modes) const {
    if (registry_.readEffect(endpoint, ids::kModeEffect, effect) != ERROR_SUCCESS ||
        registry_.readEffect(endpoint, ids::kModeEffectModes, modes) != ERROR_SUCCESS)
        return Status::Malformed;
    if ((effect.present && effect.type != REG_SZ) || (modes.present && modes.type != REG_MULTI_SZ))
        return Status::Malformed;
    const bool ours = effect.present &&
                      sameText(effect.text(), ModuleRegistration::classFor(endpoint.flow)) &&
                      holdsDefaultMode(modes);
    return ours ? Status::Attached : Status::NotAttached;
}

Status EndpointSetup::status(const Endpoint& endpoint) const {
    RegistryValue effect, modes;
    const Status values = compare(endpoint, effect, modes);
    if (values == Status::Malformed) return values;
    if (values == Status::Attached)
        return ModuleRegistration::problem(endpoint.flow).empty() ? Status::Attached
                                                                  : Status::ModuleMissing;
    return backup_.exists(endpoint) ? Status::Replaced : Status::NotAttached;
}

SavedValues EndpointSetup::ours(const Endpoint& endpoint, const RegistryValue& modes) const {
    std::vector<std::wstring> items = modes.present ? modes.items() : std::vector<std::wstring>{};
    if (!holdsDefaultMode(modes)) items.emplace_back(ids::kDefaultMode);
    return {{ids::kModeEffect, RegistryValue::string(ModuleRegistration::classFor(endpoint.flow))},
            {ids::kModeEffectModes, RegistryValue::multiString(items)}};
}

Outcome EndpointSetup::write(const Endpoint& endpoint, const SavedValues& current,
                             const SavedValues& target) const {
    for (std::size_t i = 0; i < target.size(); ++i) {
        const LONG error = registry_.writeEffect(endpoint, target[i].first, target[i].second);
        if (error == ERROR_SUCCESS) continue;
        for (std::size_t j = 0; j <= i && j < current.size(); ++j)
            registry_.writeEffect(endpoint, current[j].first, current[j].second);
        return failure(error, L"writing " + target[i].first);
    }
    return {kOk, L"", true};
}

Outcome EndpointSetup::attach(const Endpoint& endpoint) const {
    if (const std::wstring problem = ModuleRegistration::problem(endpoint.flow); !problem.empty()) {
        return {kNotRegistered, L"the module is not registered: " + problem +
                                    L". Run regsvr32 VeltraDspAPO.dll from an elevated prompt "
                                    L"first. Nothing was changed."};
    }
    RegistryValue effect, modes;
    const Status values = compare(endpoint, effect, modes);
    if (values == Status::Malformed)
        return {kMalformed, L"its effect values have the wrong type; nothing was changed"};
    const bool backed = backup_.exists(endpoint);
    if (values == Status::Attached) {
        return {kOk, backed
                         ? L"already attached"
                         : L"already attached, not by this setup: detach has nothing to restore"};
    }
    const SavedValues current = {{ids::kModeEffect, effect}, {ids::kModeEffectModes, modes}};
    const bool newKey = !registry_.hasEffectsKey(endpoint);
    if (!backed) {
        if (const LONG error = backup_.save(endpoint, current, newKey); error != ERROR_SUCCESS)
            return failure(error, L"saving the values it replaces");
    }
    Outcome out = write(endpoint, current, ours(endpoint, modes));
    if (out.code != kOk) {
        if (newKey) registry_.removeEmptyEffectsKey(endpoint);
        if (!backed) backup_.remove(endpoint);
        return out;
    }
    out.message =
        backed ? L"attached again; the values saved at the first attach are kept" : L"attached";
    return out;
}

Outcome EndpointSetup::detach(const Endpoint& endpoint) const {
    if (!backup_.exists(endpoint)) return {kOk, L"not attached by this setup: nothing to restore"};
    SavedValues saved, current;
    bool createdKey = false;
    const std::vector<std::wstring> names = {ids::kModeEffect, ids::kModeEffectModes};
    if (const LONG error = backup_.load(endpoint, names, saved, createdKey);
        error != ERROR_SUCCESS) {
        if (error == ERROR_INVALID_DATA)
            return {kMalformed, L"its backup is damaged; nothing was changed"};
        return failure(error, L"reading its backup");
    }
    for (const std::wstring& name : names) {
        RegistryValue value;
        if (const LONG error = registry_.readEffect(endpoint, name, value); error != ERROR_SUCCESS)
            return failure(error, L"reading " + name);
        current.emplace_back(name, value);
    }
    Outcome out = write(endpoint, current, saved);
    if (out.code != kOk) return out;
    if (createdKey) registry_.removeEmptyEffectsKey(endpoint);
    if (const LONG error = backup_.remove(endpoint); error != ERROR_SUCCESS)
        return failure(error, L"removing its backup (the values before attach are back)");
    out.message = L"detached: the values from before the attach are back";
    return out;
}

Outcome EndpointSetup::repair(const Endpoint& endpoint) const {
    const Status now = status(endpoint);
    if (now == Status::Malformed)
        return {kMalformed, L"its effect values have the wrong type; nothing was changed"};
    if (now == Status::ModuleMissing)
        return {kNotRegistered,
                L"attached, but the module is not registered any more: run "
                L"regsvr32 VeltraDspAPO.dll again"};
    if (now != Status::Replaced)
        return {kOk, std::wstring(L"nothing to repair: ") +
                         (now == Status::Attached ? L"attached" : L"not attached by this setup")};
    return attach(endpoint);  // keeps the first backup, writes our values again
}

}  // namespace veltra::setup
