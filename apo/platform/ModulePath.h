#pragma once

#include <string>

namespace veltra::apo {

// Full path of the module that holds this code: the DLL on Windows, the running executable
// elsewhere (the registration records name it as the in-process server).
std::string modulePath();

}  // namespace veltra::apo
