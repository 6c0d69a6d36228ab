#include <gtest/gtest.h>

#include <vector>

#include "apo/ApoRegistrationRecords.h"
#include "apo/AudioMediaType.h"
#include "apo/BaseAudioProcessingObject.h"

namespace veltra::apo {
namespace {

UNCOMPRESSEDAUDIOFORMAT floatFormat(DWORD channels, float rate) {
    return {KSDATAFORMAT_SUBTYPE_IEEE_FLOAT, channels, 4, 32, rate, channels == 2 ? 3u : 0u};
}

// Releases the media types a test makes.
struct Types {
    ~Types() {
        for (auto* t : made) t->Release();
    }
    IAudioMediaType* make(const UNCOMPRESSEDAUDIOFORMAT& f) {
        return made.emplace_back(AudioMediaType::create(f));
    }
    std::vector<IAudioMediaType*> made;
};

class TestObject final : public BaseAudioProcessingObject {
  public:
    TestObject() : BaseAudioProcessingObject(speakerRegistration()) {}
    void initialize() { setInitialized(); }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT Initialize(UINT32, std::uint8_t*) override { return S_OK; }
    void APOProcess(UINT32, APO_CONNECTION_PROPERTY**, UINT32, APO_CONNECTION_PROPERTY**) override {
    }
};

// Negotiation, the registration copy, latency and channel count are checked through the real
// DLL by the Wine host; here the lock's order of checks and the format clamps, which it does
// not reach.
TEST(BaseAudioProcessingObject, FormatsAreClampedToWhatTheEngineRuns) {
    UNCOMPRESSEDAUDIOFORMAT f = floatFormat(0, 5.0f);
    EXPECT_TRUE(BaseAudioProcessingObject::correctFormat(f));
    EXPECT_EQ(f.dwSamplesPerFrame, 1u);
    EXPECT_EQ(f.fFramesPerSecond, 10.0f);
    f = floatFormat(5000, 1e6f);
    BaseAudioProcessingObject::correctFormat(f);
    EXPECT_EQ(f.dwSamplesPerFrame, 4096u);
    EXPECT_EQ(f.fFramesPerSecond, 384000.0f);
}

TEST(BaseAudioProcessingObject, LockChecksReportTheirOwnCodes) {
    TestObject apo;
    Types types;
    std::vector<float> inBuffer(2 * 480), outBuffer(2 * 480);
    APO_CONNECTION_DESCRIPTOR in{
        APO_CONNECTION_BUFFER_TYPE_EXTERNAL, reinterpret_cast<std::uintptr_t>(inBuffer.data()), 480,
        types.make(floatFormat(2, 48000.0f)), APO_CONNECTION_DESCRIPTOR_SIGNATURE};
    APO_CONNECTION_DESCRIPTOR out = in;
    out.pBuffer = reinterpret_cast<std::uintptr_t>(outBuffer.data());
    APO_CONNECTION_DESCRIPTOR* ins[2] = {&in, &in};
    APO_CONNECTION_DESCRIPTOR* outs[1] = {&out};

    EXPECT_EQ(apo.LockForProcess(1, nullptr, 1, outs), E_POINTER);
    EXPECT_EQ(apo.LockForProcess(2, ins, 1, outs), APOERR_NUM_CONNECTIONS_INVALID);
    out.pFormat = types.make(floatFormat(1, 48000.0f));
    EXPECT_EQ(apo.LockForProcess(1, ins, 1, outs), APOERR_FORMAT_NOT_SUPPORTED);
    out.pFormat = in.pFormat;
    out.u32Signature = 0;
    EXPECT_EQ(apo.LockForProcess(1, ins, 1, outs), E_INVALIDARG);
    out.u32Signature = APO_CONNECTION_DESCRIPTOR_SIGNATURE;
    out.u32MaxFrameCount = 479;
    EXPECT_EQ(apo.LockForProcess(1, ins, 1, outs), APOERR_INVALID_OUTPUT_MAXFRAMECOUNT);
    out.u32MaxFrameCount = 480;
    out.pBuffer = in.pBuffer + 4;
    EXPECT_EQ(apo.LockForProcess(1, ins, 1, outs), APOERR_BUFFERS_OVERLAP);
    EXPECT_EQ(apo.UnlockForProcess(), APOERR_NOT_LOCKED);

    out.pBuffer = reinterpret_cast<std::uintptr_t>(outBuffer.data());
    ASSERT_EQ(apo.LockForProcess(1, ins, 1, outs), S_OK);
    EXPECT_EQ(apo.LockForProcess(1, ins, 1, outs), APOERR_ALREADY_LOCKED);
    EXPECT_EQ(apo.format().dwSamplesPerFrame, 2u);
    EXPECT_EQ(apo.UnlockForProcess(), S_OK);
    EXPECT_EQ(apo.UnlockForProcess(), APOERR_NOT_LOCKED);
}

}  // namespace
}  // namespace veltra::apo
