#pragma once

// COM and property-store declarations used by the processing objects. On Windows they come from
// the system headers; elsewhere this is our own minimal equivalent with the documented names,
// values and layouts (no calling-convention decorations are needed there).

#include "apo/platform/WinTypes.h"

#if defined(_WIN32)
#include <propidl.h>
#include <propsys.h>
#else
#include <cstdint>

using ULONG = std::uint32_t;
using VARTYPE = std::uint16_t;
using REFIID = const IID&;

constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);

constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_UI4 = 19;
constexpr VARTYPE VT_LPWSTR = 31;

struct PROPERTYKEY {
    GUID fmtid;
    DWORD pid;
};
using REFPROPERTYKEY = const PROPERTYKEY&;

struct BLOB {
    ULONG cbSize;
    void* pBlobData;
};

// The leading type tag and reserved words, then an 8-byte union that is 16 bytes wide on 64-bit
// builds (the pointer pair of the blob variants), as the documented layout has it.
struct PROPVARIANT {
    VARTYPE vt;
    std::uint16_t wReserved1;
    std::uint16_t wReserved2;
    std::uint16_t wReserved3;
    union {
        std::int32_t lVal;
        ULONG ulVal;
        WCHAR* pwszVal;
        BLOB blob;
    };
};

class IUnknown {
  public:
    virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

  protected:
    ~IUnknown() = default;
};

class IPropertyStore : public IUnknown {
  public:
    virtual HRESULT GetCount(DWORD* count) = 0;
    virtual HRESULT GetAt(DWORD index, PROPERTYKEY* key) = 0;
    virtual HRESULT GetValue(REFPROPERTYKEY key, PROPVARIANT* value) = 0;
    virtual HRESULT SetValue(REFPROPERTYKEY key, const PROPVARIANT& value) = 0;
    virtual HRESULT Commit() = 0;

  protected:
    ~IPropertyStore() = default;
};

class IClassFactory : public IUnknown {
  public:
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT LockServer(int lock) = 0;

  protected:
    ~IClassFactory() = default;
};

using REFCLSID = const CLSID&;

constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);

extern const IID IID_IUnknown;
extern const IID IID_IPropertyStore;
extern const IID IID_IClassFactory;

inline void PropVariantInit(PROPVARIANT* value) {
    *value = PROPVARIANT{};
}
// Our property stores hand out only values that own no memory.
inline HRESULT PropVariantClear(PROPVARIANT* value) {
    *value = PROPVARIANT{};
    return S_OK;
}
inline bool operator==(const PROPERTYKEY& a, const PROPERTYKEY& b) {
    return a.fmtid == b.fmtid && a.pid == b.pid;
}
#endif
