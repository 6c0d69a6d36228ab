// Test helper for the setup tool's tests under Wine: makes a key under HKLM read-only for
// everyone (a DACL that grants reading only) or gives everyone full control again, as an
// administrator's "take ownership" step would.
//   veltra_key_lock.exe lock|unlock SUBKEY
#include <aclapi.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fputs("usage: veltra_key_lock lock|unlock SUBKEY\n", stderr);
        return 64;
    }
    const bool lock = std::wcscmp(argv[1], L"lock") == 0;
    HKEY key = nullptr;
    LONG error = RegOpenKeyExW(HKEY_LOCAL_MACHINE, argv[2], 0, READ_CONTROL | WRITE_DAC, &key);
    if (error != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot open the key: %ld\n", error);
        return 1;
    }
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = lock ? KEY_READ : KEY_ALL_ACCESS;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL acl = nullptr;
    error = SetEntriesInAclW(1, &access, nullptr, &acl);
    if (error == ERROR_SUCCESS)
        error = SetSecurityInfo(key, SE_REGISTRY_KEY,
                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, acl, nullptr);
    LocalFree(acl);
    FreeSid(everyone);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) std::fprintf(stderr, "cannot set the key's access: %ld\n", error);
    return error == ERROR_SUCCESS ? 0 : 1;
}
