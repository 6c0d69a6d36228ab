#include "apo/platform/ThreadLocale.h"

#if !defined(_WIN32)
namespace veltra::apo {

// No thread locale to switch outside Windows; Win32Platform.cpp holds the Windows version.
ScopedSystemLocale::ScopedSystemLocale() = default;
ScopedSystemLocale::~ScopedSystemLocale() {}  // nothing to restore

}  // namespace veltra::apo
#endif
