#pragma once

#include <string>

#include "setup/AttachmentBackup.h"
#include "setup/EndpointRegistry.h"

namespace veltra::setup {

// The tool's exit codes, also listed by --help and in docs/endpoint-setup.md.
enum ExitCode : int {
    kOk = 0,
    kNotIntact = 1,        // status: something attached was replaced or lost its module
    kUnknownEndpoint = 3,  // no endpoint has that id
    kNotRegistered = 4,    // the module is not registered; nothing was changed
    kAccessDenied = 5,     // the endpoint's keys may not be written; nothing was changed
    kMalformed = 6,        // an endpoint value has the wrong type or a backup is damaged
    kFailed = 7,           // another system error; what was written was rolled back
    kUsage = 64,
};

enum class Status { NotAttached, Attached, Replaced, ModuleMissing, Malformed };

struct Outcome {
    int code = kOk;
    std::wstring message;
    bool changed = false;
};

// Attaches the module's mode effect to one endpoint and takes it off again. Every change to an
// endpoint is all or nothing: a failed write puts back what the endpoint held before.
class EndpointSetup {
  public:
    Status status(const Endpoint& endpoint) const;
    Outcome attach(const Endpoint& endpoint) const;
    Outcome detach(const Endpoint& endpoint) const;
    Outcome repair(const Endpoint& endpoint) const;

    static const char* statusName(Status status);

  private:
    // Whether the endpoint's values are ours; Malformed when one has the wrong type.
    Status compare(const Endpoint& endpoint, RegistryValue& effect, RegistryValue& modes) const;
    // Writes `target` over the current values; on a failure restores `current` and says why.
    Outcome write(const Endpoint& endpoint, const SavedValues& current,
                  const SavedValues& target) const;
    SavedValues ours(const Endpoint& endpoint, const RegistryValue& modes) const;

    EndpointRegistry registry_;
    AttachmentBackup backup_;
};

}  // namespace veltra::setup
