#include "apo/VeltraDspSpkAPOMFX.h"

#include "apo/ApoRegistrationRecords.h"
#include "apo/EndpointProperties.h"
#include "apo/platform/Sections.h"
#include "chain/ParameterMessage.h"
#include "engine/PlaybackModule.h"

namespace veltra::apo {

namespace {

VELTRA_RT_CODE void runPlayback(void* engine, float* buffer, UINT32 frames) {
    processPlayback(static_cast<VeltraDspPlayback*>(engine), buffer, buffer, frames);
}

}  // namespace

VeltraDspSpkAPOMFX::VeltraDspSpkAPOMFX(IUnknown* outer)
    : ApoObjectBase(speakerRegistration(), IID_IVeltraDspSpkAPOMFX, outer) {}

VeltraDspSpkAPOMFX::~VeltraDspSpkAPOMFX() {
    const std::lock_guard<std::mutex> guard(effectsLock());
    destroyPlaybackEngine(engine_);
    engine_ = nullptr;
}

void VeltraDspSpkAPOMFX::onPropertiesKnown() {
    if (properties() != nullptr) {
        enable_.store(
            readEffectsEnable(properties(), PKEY_Endpoint_Enable_SpkMFX, processingMode()));
    }
}

void VeltraDspSpkAPOMFX::sendEnableState() {
    std::uint32_t record[2] = {kEnhancementMessage, static_cast<std::uint32_t>(enable_.load())};
    sendPlaybackParameter(engine_, record);
}

HRESULT VeltraDspSpkAPOMFX::LockForProcess(UINT32 inputCount, APO_CONNECTION_DESCRIPTOR** inputs,
                                           UINT32 outputCount,
                                           APO_CONNECTION_DESCRIPTOR** outputs) {
    const HRESULT hr =
        BaseAudioProcessingObject::LockForProcess(inputCount, inputs, outputCount, outputs);
    if (FAILED(hr)) return hr;
    UNCOMPRESSEDAUDIOFORMAT in{}, out{};
    inputs[0]->pFormat->GetUncompressedAudioFormat(&in);
    outputs[0]->pFormat->GetUncompressedAudioFormat(&out);
    // Creation and destruction happen under the effects lock, which a property notification also
    // holds while it talks to the engine: a notification never meets an engine being torn down.
    const std::lock_guard<std::mutex> guard(effectsLock());
    destroyPlaybackEngine(engine_);
    engine_ = createPlaybackEngine(in.dwSamplesPerFrame, out.dwSamplesPerFrame,
                                   static_cast<std::uint32_t>(out.fFramesPerSecond));
    sendEnableState();
    return S_OK;
}

HRESULT VeltraDspSpkAPOMFX::UnlockForProcess() {
    {
        const std::lock_guard<std::mutex> guard(effectsLock());
        destroyPlaybackEngine(engine_);
        engine_ = nullptr;
    }
    return BaseAudioProcessingObject::UnlockForProcess();
}

VELTRA_RT_CODE void VeltraDspSpkAPOMFX::APOProcess(UINT32 inputCount,
                                                   APO_CONNECTION_PROPERTY** inputs,
                                                   UINT32 outputCount,
                                                   APO_CONNECTION_PROPERTY** outputs) {
    processFirstConnection(inputCount, inputs, outputCount, outputs, &runPlayback, engine_);
}

HRESULT VeltraDspSpkAPOMFX::OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY key) {
    if (properties() == nullptr) return S_OK;
    if (!(key == PKEY_Endpoint_Enable_SpkMFX) && !(key == PKEY_AudioEndpoint_Disable_SysFx))
        return S_OK;
    const std::lock_guard<std::mutex> guard(effectsLock());
    const int state =
        readEffectsEnable(properties(), PKEY_Endpoint_Enable_SpkMFX, processingMode());
    if (enable_.exchange(state) != state && effectsChangedEvent() != nullptr)
        setEventHandle(effectsChangedEvent());
    sendEnableState();  // also when unchanged: every notification gives one fade cycle
    return S_OK;
}

}  // namespace veltra::apo
