#include "setup/AudioService.h"

#include <windows.h>

namespace veltra::setup {

namespace {

constexpr DWORD kWaitMs = 30000;  // the service stops and starts within seconds; give it thirty

struct Handle {
    SC_HANDLE h = nullptr;
    ~Handle() {
        if (h != nullptr) CloseServiceHandle(h);
    }
};

bool waitFor(SC_HANDLE service, DWORD wanted) {
    for (DWORD waited = 0; waited < kWaitMs; waited += 250) {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service, &status)) return false;
        if (status.dwCurrentState == wanted) return true;
        Sleep(250);
    }
    return false;
}

std::wstring failed(const wchar_t* step) {
    return std::wstring(step) + L" failed (system error " + std::to_wstring(GetLastError()) + L")";
}

}  // namespace

std::wstring AudioService::restart() {
    Handle manager, service;
    manager.h = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager.h == nullptr) return failed(L"opening the service control manager");
    service.h =
        OpenServiceW(manager.h, L"Audiosrv", SERVICE_STOP | SERVICE_START | SERVICE_QUERY_STATUS);
    if (service.h == nullptr) return failed(L"opening the audio service");
    SERVICE_STATUS status{};
    if (!ControlService(service.h, SERVICE_CONTROL_STOP, &status) &&
        GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        return failed(L"stopping the audio service");
    if (!waitFor(service.h, SERVICE_STOPPED)) return L"the audio service did not stop";
    if (!StartServiceW(service.h, 0, nullptr)) return failed(L"starting the audio service");
    if (!waitFor(service.h, SERVICE_RUNNING)) return L"the audio service did not start again";
    return L"";
}

}  // namespace veltra::setup
