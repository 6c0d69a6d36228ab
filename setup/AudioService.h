#pragma once

#include <string>

namespace veltra::setup {

// The Windows audio service ("Audiosrv"), restarted through the service control manager so that
// endpoints pick up changed effect properties without waiting for their next start.
class AudioService {
  public:
    // Empty on success; otherwise what failed.
    static std::wstring restart();
};

}  // namespace veltra::setup
