#pragma once

#include <string>

#include "setup/EndpointRegistry.h"

namespace veltra::setup {

// Whether the module is registered so that the audio engine can load it: the class's COM record
// names an in-process server file that exists, and the audio engine's record of the processing
// object is there.
class ModuleRegistration {
  public:
    // The class that serves a flow: the speaker effect for render, the microphone's for capture.
    static const wchar_t* classFor(Flow flow);
    // Empty when registered; otherwise what is missing, in words.
    static std::wstring problem(Flow flow);
};

}  // namespace veltra::setup
