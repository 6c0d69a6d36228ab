// The speaker object as the audio service drives it: interfaces, initialisation, negotiation, lock,
// one second of audio compared with the native playback engine's output, the enhancement switch.
#include <algorithm>

#include "HostChecks.h"
#include "HostIdentifiers.h"
#include "HostModule.h"
#include "apo/AudioMediaType.h"

namespace host {

namespace {

constexpr UINT32 kHostFrames = 480;  // 10 ms at 48 kHz, the audio engine's usual period

PROPERTYKEY key(const wchar_t* fmtid, DWORD pid) {
    return {ids::guid(fmtid), pid};
}

HRESULT initialize(IAudioProcessingObject* apo, IPropertyStore* store, IMMDeviceCollection* devices,
                   const wchar_t* mode, UINT32 size = 0) {
    APOInitSystemEffects2 init =
        systemEffects(ids::guid(ids::kSpeakerClass), store, devices, ids::guid(mode));
    return apo->Initialize(size != 0 ? size : sizeof(init), reinterpret_cast<std::uint8_t*>(&init));
}

void checkInterfaces(IUnknown* object, const wchar_t* own, const wchar_t* other) {
    for (const wchar_t* iid :
         {L"{00000000-0000-0000-C000-000000000046}", own, ids::kSystemEffects, ids::kSystemEffects2,
          ids::kNotificationClient, ids::kApoRT, ids::kApo, ids::kApoConfiguration}) {
        const Held<IUnknown> answer{query<IUnknown>(object, iid)};
        check(answer.p != nullptr, "listed interface answers");
    }
    for (const wchar_t* iid : {other, L"{886D8EEB-8CF2-4446-8D02-CDBA1DBDCF99}",
                               L"{00000001-0000-0000-C000-000000000046}"}) {
        void* answer = reinterpret_cast<void*>(1);
        checkHr(object->QueryInterface(ids::guid(iid), &answer), E_NOINTERFACE,
                "unlisted interface");
        check(answer == nullptr, "unlisted interface leaves a null pointer");
    }
}

void checkNegotiation(IAudioProcessingObject* apo, IAudioMediaType* stereoFloat) {
    IAudioMediaType* answer = nullptr;
    checkHr(apo->IsOutputFormatSupported(stereoFloat, stereoFloat, &answer), S_OK,
            "float accepted");
    check(answer == stereoFloat, "an accepted format is answered with itself");
    if (answer != nullptr) answer->Release();

    // A 16-bit request against a float input: the input's float format is proposed instead.
    const GUID pcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    IAudioMediaType* pcm16 = AudioMediaType::create({pcm, 2, 2, 16, 48000.0f, 3});
    answer = nullptr;
    checkHr(apo->IsOutputFormatSupported(stereoFloat, pcm16, &answer), S_FALSE, "16-bit request");
    UNCOMPRESSEDAUDIOFORMAT proposed{};
    check(answer != nullptr && SUCCEEDED(answer->GetUncompressedAudioFormat(&proposed)) &&
              proposed.guidFormatType == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT &&
              proposed.dwValidBitsPerSample == 32 && proposed.dwSamplesPerFrame == 2,
          "the proposal is the input's float format");
    if (answer != nullptr) answer->Release();
    answer = reinterpret_cast<IAudioMediaType*>(1);
    checkHr(apo->IsInputFormatSupported(pcm16, stereoFloat, &answer), APOERR_FORMAT_NOT_SUPPORTED,
            "a 16-bit opposite format");
    check(answer == nullptr, "a refused negotiation answers null");
    checkHr(apo->IsInputFormatSupported(nullptr, nullptr, &answer), E_POINTER, "null request");
    pcm16->Release();
}

void checkLockRules(IAudioProcessingObjectConfiguration* config, Stream& stream) {
    checkHr(config->UnlockForProcess(), APOERR_NOT_LOCKED, "unlock before lock");
    APO_CONNECTION_DESCRIPTOR* in[2] = {&stream.inDesc, &stream.inDesc};
    APO_CONNECTION_DESCRIPTOR* out[1] = {&stream.outDesc};
    checkHr(config->LockForProcess(1, nullptr, 1, out), E_POINTER, "no input descriptors");
    checkHr(config->LockForProcess(2, in, 1, out), APOERR_NUM_CONNECTIONS_INVALID, "two inputs");
    IAudioMediaType* mono =
        AudioMediaType::create({KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, 1, 4, 32, 48000.0f, 0});
    // Each refusal from one wrong field of otherwise good descriptors.
    auto refused = [&](auto spoil, HRESULT expected, const char* what) {
        const APO_CONNECTION_DESCRIPTOR goodIn = stream.inDesc, goodOut = stream.outDesc;
        spoil(stream.inDesc, stream.outDesc);
        checkHr(stream.lock(config), expected, what);
        stream.inDesc = goodIn, stream.outDesc = goodOut;
    };
    using D = APO_CONNECTION_DESCRIPTOR;
    refused([](D& i, D&) { i.u32Signature = 0; }, E_INVALIDARG, "descriptor without signature");
    refused([](D&, D& o) { --o.u32MaxFrameCount; }, APOERR_INVALID_OUTPUT_MAXFRAMECOUNT,
            "short output buffer");
    refused([](D& i, D& o) { o.pBuffer = i.pBuffer + 4; }, APOERR_BUFFERS_OVERLAP, "overlap");
    refused([&](D&, D& o) { o.pFormat = mono; }, APOERR_FORMAT_NOT_SUPPORTED,
            "output format unlike the input's");
    mono->Release();
    checkHr(stream.lock(config), S_OK, "LockForProcess");
    checkHr(stream.lock(config), APOERR_ALREADY_LOCKED, "second lock");
}

// One second of the bundled signal in 10 ms buffers must equal, sample for sample, what the native
// build of the playback engine produced for the same signal and the same buffer size.
void checkAudio(IAudioProcessingObjectRT* rt, Stream& stream, const std::vector<float>& in,
                const std::vector<float>& ref) {
    if (!check(ref.size() == in.size() && in.size() >= 2 * 48000,
               "input and reference are one second of stereo float"))
        return;
    std::size_t mismatches = 0;
    for (std::size_t at = 0; at + 2 * kHostFrames <= 2 * 48000; at += 2 * kHostFrames) {
        std::copy_n(in.begin() + std::ptrdiff_t(at), 2 * kHostFrames, stream.input.begin());
        stream.process(rt, kHostFrames);
        check(stream.outProp.u32ValidFrameCount == kHostFrames &&
                  stream.outProp.u32BufferFlags == BUFFER_VALID,
              "output frame count and flags");
        for (std::size_t i = 0; i < 2 * kHostFrames; ++i)
            mismatches += stream.output[i] != ref[at + i];
    }
    std::printf("speaker: %zu of %d samples differ from the native engine\n", mismatches,
                2 * 48000);
    check(mismatches == 0, "speaker output equals the native playback engine");
}

// What the switch then does to the audio (a fade out, the switch at silence, a fade in) is the
// engine's, checked natively at every stream start and in closed form in the chain.
void checkEnhancementSwitch(IUnknown* object, MemoryPropertyStore* store) {
    const Held<IAudioSystemEffects2> effects{
        query<IAudioSystemEffects2>(object, ids::kSystemEffects2)};
    const Held<IMMNotificationClient> client{
        query<IMMNotificationClient>(object, ids::kNotificationClient)};
    if (!check(effects.p && client.p, "effects and notification interfaces")) return;
    HANDLE event = System::newEvent();
    GUID* list = reinterpret_cast<GUID*>(1);
    UINT32 count = 7;
    checkHr(effects->GetEffectsList(&list, &count, event), S_OK, "GetEffectsList");
    check(list == nullptr && count == 0, "no effects are listed");

    // Unrelated keys leave the switch alone; the system-effects switch turns the group off.
    const WCHAR device[] = {'{', '0', '.', '0', '}', 0};  // an endpoint's id
    checkHr(client->OnPropertyValueChanged(device, key(ids::kDisableSysFx, 4)), S_OK,
            "unrelated property");
    check(!System::isSet(event), "an unrelated key sets no event");
    store->setUInt32(key(ids::kDisableSysFx, 5), 1);
    checkHr(client->OnPropertyValueChanged(device, key(ids::kDisableSysFx, 5)), S_OK,
            "OnPropertyValueChanged");
    check(System::isSet(event), "switching off sets the effects event");
    System::closeEvent(event);
}

void checkRegistrationCopy(IAudioProcessingObject* apo) {
    APO_REG_PROPERTIES* record = nullptr;
    checkHr(apo->GetRegistrationProperties(nullptr), E_POINTER, "null registration result");
    if (!check(SUCCEEDED(apo->GetRegistrationProperties(&record)) && record != nullptr,
               "GetRegistrationProperties"))
        return;
    // The values themselves are the registry's, compared with the example INF.
    check(record->clsid == ids::guid(ids::kSpeakerClass) &&
              sameText(record->szFriendlyName, "VeltraDspSpkAPOMFX"),
          "registration copy holds the speaker record");
    System::freeTask(record);
}

// A raw-mode stream is left exactly as it is.
void checkRawMode(const Module& module, IMMDeviceCollection* devices) {
    ProcessingObject speaker(module, ids::guid(ids::kSpeakerClass));
    if (!check(speaker.ok, "raw-mode speaker object")) return;
    const Held<MemoryPropertyStore> store{MemoryPropertyStore::create()};
    store->setUInt32(key(ids::kEnableSpkMfx, 0), 1);
    checkHr(initialize(speaker.apo.p, store.p, devices, ids::kModeRaw), S_OK, "raw Initialize");
    Stream stream(2, 48000.0f, kHostFrames);
    checkHr(stream.lock(speaker.config.p), S_OK, "raw LockForProcess");
    for (std::size_t i = 0; i < stream.input.size(); ++i) stream.input[i] = float(i % 97) / 97.0f;
    stream.process(speaker.rt.p, kHostFrames);
    check(stream.output == stream.input, "raw mode copies the buffer through");
    checkHr(speaker.config->UnlockForProcess(), S_OK, "raw UnlockForProcess");
}

}  // namespace

void checkSpeaker(const Module& module, const std::vector<float>& input,
                  const std::vector<float>& reference) {
    const Held<MemoryPropertyStore> store{MemoryPropertyStore::create()};
    store->setUInt32(key(ids::kEnableSpkMfx, 0), 1);  // enhancement on, system effects allowed
    const RenderDevices render;
    IMMDeviceCollection* devices = render.p;
    check(devices != nullptr, "the system enumerator lists render endpoints");
    {
        ProcessingObject speaker(module, ids::guid(ids::kSpeakerClass));
        if (!check(speaker.ok, "speaker object and its interfaces")) return;
        checkInterfaces(speaker.object.p, ids::kSpeakerInterface, ids::kMicrophoneInterface);
        auto& [object, apo, rt, config, ok] = speaker;

        UINT32 channels = 0;
        checkHr(apo->GetInputChannelCount(&channels), APOERR_NOT_INITIALIZED, "channels early");
        HNSTIME latency = -1;
        checkHr(apo->GetLatency(&latency), S_OK, "GetLatency");
        check(latency == 0, "no reported latency");
        checkRegistrationCopy(apo.p);

        const wchar_t* mode = ids::kModeDefault;
        checkHr(apo->Initialize(8, nullptr), E_INVALIDARG, "null initialisation data");
        checkHr(initialize(apo.p, store.p, devices, mode, 40), E_INVALIDARG, "size 40");
        checkHr(initialize(apo.p, store.p, nullptr, mode), E_INVALIDARG, "no device collection");
        checkHr(initialize(apo.p, store.p, devices, mode), S_OK, "Initialize");

        Stream stream(2, 48000.0f, kHostFrames);
        checkNegotiation(apo.p, stream.format);
        checkLockRules(config.p, stream);
        checkHr(apo->GetInputChannelCount(&channels), S_OK, "GetInputChannelCount");
        check(channels == 2, "two channels locked");
        checkAudio(rt.p, stream, input, reference);
        // Every stream starts afresh, with the fade cycle: the same input, the same output.
        checkHr(config->UnlockForProcess(), S_OK, "UnlockForProcess");
        checkHr(stream.lock(config.p), S_OK, "LockForProcess of a second stream");
        checkAudio(rt.p, stream, input, reference);
        checkEnhancementSwitch(object.p, store.p);
        checkHr(config->UnlockForProcess(), S_OK, "UnlockForProcess");
    }
    checkRawMode(module, devices);
    check(store->references() == 1, "the objects released the endpoint store");
}

}  // namespace host
