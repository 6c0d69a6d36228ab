#include "apo/ApoObjectBase.h"

#include "apo/EndpointProperties.h"
#include "apo/platform/Sections.h"
#include "apo/platform/SystemError.h"

namespace veltra::apo {

std::atomic<long> ApoObjectBase::liveObjects_{0};

ApoObjectBase::ApoObjectBase(const APO_REG_PROPERTIES& registration, const IID& ownInterface,
                             IUnknown* outer)
    : BaseAudioProcessingObject(registration),
      ownInterface_(ownInterface),
      outer_(outer != nullptr ? outer : &inner_),
      mode_(AUDIO_SIGNALPROCESSINGMODE_DEFAULT) {
    ++liveObjects_;
}

ApoObjectBase::~ApoObjectBase() {
    if (registered_ && enumerator_ != nullptr)
        enumerator_->UnregisterEndpointNotificationCallback(this);
    if (event_ != nullptr) closeEventHandle(event_);
    if (enumerator_ != nullptr) enumerator_->Release();
    if (properties_ != nullptr) properties_->Release();
    --liveObjects_;
}

HRESULT ApoObjectBase::InnerUnknown::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown) {
        // The identity is always this unknown, so an aggregated object's callers compare equal.
        *object = this;
        AddRef();
        return S_OK;
    }
    ApoObjectBase& self = object_;
    // The own interface has no methods, so any of our IUnknown-based pointers serves for it.
    if (riid == IID_IAudioProcessingObject || riid == self.ownInterface_) {
        *object = static_cast<IAudioProcessingObject*>(&self);
    } else if (riid == IID_IAudioProcessingObjectRT) {
        *object = static_cast<IAudioProcessingObjectRT*>(&self);
    } else if (riid == IID_IAudioProcessingObjectConfiguration) {
        *object = static_cast<IAudioProcessingObjectConfiguration*>(&self);
    } else if (riid == IID_IAudioSystemEffects || riid == IID_IAudioSystemEffects2) {
        *object = static_cast<IAudioSystemEffects2*>(&self);
    } else if (riid == IID_IMMNotificationClient) {
        *object = static_cast<IMMNotificationClient*>(&self);
    } else {
        return E_NOINTERFACE;
    }
    // Through the controlling unknown, as the handed-out interface would count itself.
    self.AddRef();
    return S_OK;
}

ULONG ApoObjectBase::InnerUnknown::Release() {
    const ULONG left = --references_;
    if (left == 0) delete &object_;
    return left;
}

void ApoObjectBase::replaceProperties(IPropertyStore* store) {
    if (store != nullptr) store->AddRef();
    if (properties_ != nullptr) properties_->Release();
    properties_ = store;
}

VELTRA_RT_CODE void ApoObjectBase::processFirstConnection(UINT32 inputCount,
                                                          APO_CONNECTION_PROPERTY** inputs,
                                                          UINT32 outputCount,
                                                          APO_CONNECTION_PROPERTY** outputs,
                                                          EngineStep step, void* engine) {
    if (inputCount == 0 || inputs == nullptr || inputs[0] == nullptr) return;
    processConnection(*inputs[0], outputs != nullptr ? outputs[0] : nullptr, outputCount,
                      format().dwSamplesPerFrame, rawMode(), engine != nullptr ? step : nullptr,
                      engine);
}

bool ApoObjectBase::rawMode() const {
    return mode_ == AUDIO_SIGNALPROCESSINGMODE_RAW;
}

HRESULT ApoObjectBase::Initialize(UINT32 size, std::uint8_t* data) {
    if ((data == nullptr) != (size == 0)) return E_INVALIDARG;
    if (size == sizeof(APOInitSystemEffects2)) {
        const auto* init = reinterpret_cast<const APOInitSystemEffects2*>(data);
        replaceProperties(init->pAPOSystemEffectsProperties);
        if (init->pDeviceCollection == nullptr) return E_INVALIDARG;
        mode_ = init->AudioProcessingMode;
    } else if (size == sizeof(APOInitSystemEffects)) {
        const auto* init = reinterpret_cast<const APOInitSystemEffects*>(data);
        replaceProperties(init->pAPOSystemEffectsProperties);
        mode_ = AUDIO_SIGNALPROCESSINGMODE_DEFAULT;
    } else {
        return E_INVALIDARG;
    }
    onPropertiesKnown();
    if (enumerator_ == nullptr) {
        if (const HRESULT hr = createDeviceEnumerator(&enumerator_); FAILED(hr)) return hr;
    }
    if (!registered_) {
        if (const HRESULT hr = enumerator_->RegisterEndpointNotificationCallback(this); FAILED(hr))
            return hr;
        registered_ = true;
    }
    onInitialized();
    setInitialized();
    return S_OK;
}

HRESULT ApoObjectBase::GetEffectsList(GUID** effects, UINT32* count, HANDLE event) {
    if (effects == nullptr || count == nullptr) return E_POINTER;
    const std::lock_guard<std::mutex> guard(effectsLock_);
    if (event_ != nullptr) {
        closeEventHandle(event_);
        event_ = nullptr;
    }
    if (event != nullptr) {
        HANDLE duplicate = nullptr;
        if (const LONG error = duplicateEventForSetting(event, &duplicate);
            error != ERROR_SUCCESS) {
            return hresultFromSystemError(error);
        }
        event_ = duplicate;
    }
    *effects = nullptr;
    *count = 0;
    return S_OK;
}

}  // namespace veltra::apo
