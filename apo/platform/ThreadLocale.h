#pragma once

namespace veltra::apo {

// Switches the calling thread to the system default locale for its lifetime and restores the
// caller's locale afterwards, so registration text does not depend on the caller's locale. There
// is no thread locale outside Windows; there it does nothing.
class ScopedSystemLocale {
  public:
    ScopedSystemLocale();
    ~ScopedSystemLocale();
    ScopedSystemLocale(const ScopedSystemLocale&) = delete;
    ScopedSystemLocale& operator=(const ScopedSystemLocale&) = delete;

  private:
#if defined(_WIN32)
    unsigned long previous_ = 0;  // the caller's thread locale
#endif
};

}  // namespace veltra::apo
