#include "apo/platform/ModulePath.h"

#if !defined(_WIN32)
#include <unistd.h>

#include <climits>

namespace veltra::apo {

std::string modulePath() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace veltra::apo
#endif
