#pragma once

#include <atomic>
#include <mutex>

#include "apo/BaseAudioProcessingObject.h"
#include "apo/ConnectionProcessing.h"
#include "apo/platform/DeviceTypes.h"

namespace veltra::apo {

// What the speaker and microphone objects share beyond the processing-object base: reference
// counting, initialisation from the audio engine's structure, endpoint-notification registration,
// the effects list with its change event, and teardown.
class ApoObjectBase : public BaseAudioProcessingObject,
                      public IMMNotificationClient,
                      public IAudioSystemEffects2 {
  public:
    // Every interface's IUnknown goes to the controlling unknown: the object's own inner unknown,
    // or, when the object is aggregated, the outer object.
    HRESULT VELTRA_STDCALL QueryInterface(REFIID riid, void** object) override {
        return outer_->QueryInterface(riid, object);
    }
    ULONG VELTRA_STDCALL AddRef() override { return outer_->AddRef(); }
    ULONG VELTRA_STDCALL Release() override { return outer_->Release(); }

    // The object's own unknown: its identity, and the one count that decides the object's life.
    // An aggregating outer object holds this one and hands out the others.
    IUnknown* innerUnknown() { return &inner_; }

    HRESULT VELTRA_STDCALL Initialize(UINT32 size, std::uint8_t* data) override;
    HRESULT VELTRA_STDCALL GetEffectsList(GUID** effects, UINT32* count, HANDLE event) override;

    HRESULT OnDeviceStateChanged(LPCWSTR, DWORD) override { return S_OK; }
    HRESULT OnDeviceAdded(LPCWSTR) override { return S_OK; }
    HRESULT OnDeviceRemoved(LPCWSTR) override { return S_OK; }
    HRESULT OnDefaultDeviceChanged(EDataFlow, ERole, LPCWSTR) override { return S_OK; }
    HRESULT OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override { return S_OK; }

    const GUID& processingMode() const { return mode_; }
    IPropertyStore* properties() const { return properties_; }

    // Live objects of both classes, for the module's unload answer.
    static long liveObjects() { return liveObjects_; }

  protected:
    // `outer` is the aggregating object, or null for a stand-alone object.
    ApoObjectBase(const APO_REG_PROPERTIES& registration, const IID& ownInterface, IUnknown* outer);
    virtual ~ApoObjectBase();

    // Initialisation steps of the concrete class, after the property store is known.
    virtual void onPropertiesKnown() {}
    virtual void onInitialized() {}

    bool rawMode() const;
    // The real-time entry of both objects: the first connections, the cached channel count and the
    // object's engine step (null when there is no engine).
    void processFirstConnection(UINT32 inputCount, APO_CONNECTION_PROPERTY** inputs,
                                UINT32 outputCount, APO_CONNECTION_PROPERTY** outputs,
                                EngineStep step, void* engine);
    std::mutex& effectsLock() { return effectsLock_; }
    HANDLE effectsChangedEvent() const { return event_; }

  private:
    // Non-delegating: answers for the object itself, whoever controls it.
    class InnerUnknown final : public IUnknown {
      public:
        explicit InnerUnknown(ApoObjectBase& object) : object_(object) {}
        HRESULT VELTRA_STDCALL QueryInterface(REFIID riid, void** object) override;
        ULONG VELTRA_STDCALL AddRef() override { return ++references_; }
        ULONG VELTRA_STDCALL Release() override;

      private:
        ApoObjectBase& object_;
        std::atomic<ULONG> references_{1};
    };

    void replaceProperties(IPropertyStore* store);

    const IID& ownInterface_;
    InnerUnknown inner_{*this};
    IUnknown* outer_;
    GUID mode_;
    IPropertyStore* properties_ = nullptr;
    IMMDeviceEnumerator* enumerator_ = nullptr;
    std::mutex effectsLock_;
    HANDLE event_ = nullptr;
    bool registered_ = false;
    static std::atomic<long> liveObjects_;
};

}  // namespace veltra::apo
