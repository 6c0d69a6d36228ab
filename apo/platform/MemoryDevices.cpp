// In-process device enumerator and events for non-Windows builds.
#include "apo/platform/DeviceTypes.h"

#if !defined(_WIN32)
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

const IID IID_IMMNotificationClient = {
    0x7991EEC9, 0x7E89, 0x4D85, {0x83, 0x90, 0x6C, 0x70, 0x3C, 0xEC, 0x60, 0xC0}};

namespace veltra::apo {

namespace {

struct EventState {
    std::atomic<bool> set{false};
};

// A handle owns one reference to the shared event state, as duplicated handles share one event.
struct EventHandle {
    std::shared_ptr<EventState> state;
};

class MemoryDeviceEnumerator final : public IMMDeviceEnumerator {
  public:
    HRESULT QueryInterface(REFIID, void** object) override {
        if (object != nullptr) *object = nullptr;
        return E_NOINTERFACE;
    }
    // One enumerator lives for the process; its count never reaches zero.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT RegisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        if (client == nullptr) return E_POINTER;
        const std::lock_guard<std::mutex> guard(lock);
        clients.push_back(client);
        return S_OK;
    }
    HRESULT UnregisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        const std::lock_guard<std::mutex> guard(lock);
        const auto found = std::find(clients.begin(), clients.end(), client);
        if (found == clients.end()) return E_INVALIDARG;
        clients.erase(found);
        return S_OK;
    }

    std::mutex lock;
    std::vector<IMMNotificationClient*> clients;
};

MemoryDeviceEnumerator& enumerator() {
    static MemoryDeviceEnumerator instance;
    return instance;
}

std::atomic<LONG> gNextDuplicationError{ERROR_SUCCESS};
std::atomic<HRESULT> gNextCreationError{S_OK};

}  // namespace

HRESULT createDeviceEnumerator(IMMDeviceEnumerator** result) {
    if (result == nullptr) return E_POINTER;
    *result = nullptr;
    if (const HRESULT error = gNextCreationError.exchange(S_OK); FAILED(error)) return error;
    *result = &enumerator();
    return S_OK;
}

LONG duplicateEventForSetting(HANDLE source, HANDLE* duplicate) {
    if (source == nullptr || duplicate == nullptr) return 6;  // ERROR_INVALID_HANDLE
    if (const LONG error = gNextDuplicationError.exchange(ERROR_SUCCESS); error != ERROR_SUCCESS)
        return error;
    *duplicate = new EventHandle{static_cast<EventHandle*>(source)->state};
    return ERROR_SUCCESS;
}

void setEventHandle(HANDLE event) {
    if (event != nullptr) static_cast<EventHandle*>(event)->state->set = true;
}

void closeEventHandle(HANDLE event) {
    delete static_cast<EventHandle*>(event);
}

namespace testing {

HANDLE createEvent() {
    return new EventHandle{std::make_shared<EventState>()};
}
bool eventIsSet(HANDLE event) {
    return static_cast<EventHandle*>(event)->state->set;
}
void resetEvent(HANDLE event) {
    static_cast<EventHandle*>(event)->state->set = false;
}
void failNextDuplication(LONG error) {
    gNextDuplicationError = error;
}
void failNextEnumeratorCreation(HRESULT error) {
    gNextCreationError = error;
}

int broadcastPropertyChange(const PROPERTYKEY& key) {
    std::vector<IMMNotificationClient*> clients;
    {
        const std::lock_guard<std::mutex> guard(enumerator().lock);
        clients = enumerator().clients;
    }
    for (auto* client : clients) client->OnPropertyValueChanged(u"{0.0.0.00000000}.{test}", key);
    return static_cast<int>(clients.size());
}

std::size_t registeredClients() {
    const std::lock_guard<std::mutex> guard(enumerator().lock);
    return enumerator().clients.size();
}

}  // namespace testing
}  // namespace veltra::apo
#endif
