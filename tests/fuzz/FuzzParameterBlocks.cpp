// Parameter blocks of any content into every effect and into the playback chain's rebuild: any
// payload bits, known and unknown names (repeated ones too), known and unknown effect types, any
// channel count up to eight and any sample rate; then audio of any bits through what was built.
// Effects and chains are kept per stream format and take each input's blocks as new settings.
#include <map>
#include <memory>
#include <vector>

#include "FuzzInput.h"
#include "chain/AudioProcessChainProvider.h"
#include "chain/ParameterMessage.h"
#include "chain/ProjectPlaybackAudioProcessChain.h"
#include "effects/eq/EqAudioEffectObject.h"
#include "effects/gain/GainAudioEffectObject.h"
#include "effects/limiter/LimiterAudioEffectObject.h"
#include "effects/surround/HalvornSurroundAudioEffectObject.h"

namespace {

using namespace veltra;

const char* const kNames[] = {"Headroom",         "PreEQ",   "Limiter", "PostEQ",
                              "Halvorn_Surround", "PostEQ2", "Limiter2"};
const std::int32_t kTypes[] = {kEffectTypeGain, kEffectTypeEqualizer, kEffectTypeLimiter,
                               kEffectTypeSurround};

std::unique_ptr<ParameterBlock> readBlock(fuzz::FuzzInput& in) {
    auto block = std::make_unique<ParameterBlock>();
    const std::uint32_t name = in.pick(9);
    block->name = name < 7 ? kNames[name] : in.text(24);
    const std::uint32_t type = in.pick(5);
    block->effectType = type < 4 ? kTypes[type] : std::int32_t(in.u32());
    block->enabled = in.byte();
    // Mostly small words with a few raw ones, so that floats of every kind appear.
    const std::size_t words = in.pick(ParameterBlock::kSurroundPayloadWords + 1);
    for (std::size_t w = 0; w < words; ++w) block->payload[w] = in.u32();
    return block;
}

void fill(fuzz::FuzzInput& in, float* const* channels, int count, std::size_t frames) {
    for (int c = 0; c < count; ++c) in.audio(channels[c], frames);
}

// Hands the chain a new list the way a provider does when its settings change: the chain
// rebuilds its stages from it.
class ReplaceableList final : public AudioProcessChainProvider {
  public:
    void replace(ParameterList list) {
        mutableParameters().clear();
        for (auto& block : list) mutableParameters().push_back(std::move(block));
        notify();
    }
};

// What one stream format needs: an effect of each type and a chain, built once and reused by
// every input of that format (reset between uses, as a stream restart would), so that the
// fuzzer spends its time on parameters and audio rather than on construction.
struct Rig {
    Rig(int channels, std::uint32_t rate)
        : effects{std::make_unique<GainAudioEffectObject>(channels),
                  std::make_unique<EqAudioEffectObject>(channels, rate),
                  std::make_unique<LimiterAudioEffectObject>(channels, rate),
                  std::make_unique<HalvornSurroundAudioEffectObject>(rate, channels)} {
        auto owned = std::make_unique<ReplaceableList>();
        provider = owned.get();
        chain = std::make_unique<ProjectPlaybackAudioProcessChain>(std::move(owned));
        const std::uint32_t configuration[3] = {std::uint32_t(channels), std::uint32_t(channels),
                                                rate};
        chain->init(configuration);
        for (auto& effect : effects) effect->init();
    }
    std::unique_ptr<AudioEffectObject> effects[4];
    ReplaceableList* provider;
    std::unique_ptr<ProjectPlaybackAudioProcessChain> chain;
};

void drive(Rig& rig, ParameterList list, int channels, fuzz::FuzzInput& in) {
    constexpr int kBlock = 64;
    constexpr int kMostBlocks = ProjectPlaybackAudioProcessChain::kBlocksPerCall;
    // Eight channels of eight blocks each way, kept across inputs: allocating and clearing
    // 32 KiB per input would cost more than most inputs' audio.
    static std::vector<std::vector<float>> inBuf(8, std::vector<float>(kBlock * kMostBlocks));
    static std::vector<std::vector<float>> outBuf = inBuf;
    float* ip[8];
    float* op[8];
    for (int c = 0; c < channels; ++c) ip[c] = inBuf[c].data(), op[c] = outBuf[c].data();

    // Each block into a stand-alone effect of the type the input picks.
    for (const auto& block : list) {
        AudioEffectObject& effect = *rig.effects[in.pick(4)];
        effect.setParameters(*block);
        fill(in, ip, channels, kBlock);
        effect.process(ip, op, 1 + int(in.pick(kBlock)));
        effect.clearState();
    }

    // The whole list into the chain, then up to eight blocks of audio in calls of one or more
    // blocks, with enable messages between calls.
    rig.provider->replace(std::move(list));
    for (int left = 1 + int(in.pick(kMostBlocks)); left > 0;) {
        if (in.pick(4) == 0) {
            std::uint32_t record[2] = {kEnhancementMessage, in.u32()};
            rig.chain->handleSetParameter(ParameterMessage{record[0], record});
        }
        const int blocks = 1 + int(in.pick(std::uint32_t(left)));
        fill(in, ip, channels, std::size_t(kBlock * blocks));
        rig.chain->process(ip, op, kBlock * blocks);
        left -= blocks;
    }
    // The chain ends each input empty, so what an input built is also freed within it: libFuzzer
    // re-runs any input that leaves more allocations than frees to look for a leak.
    rig.provider->replace({});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const int channels = 1 + int(in.pick(8));
    constexpr std::uint32_t kRates[] = {48000, 44100, 32000, 16000, 96000, 8000, 0, 1};
    constexpr std::uint32_t kRateCount = sizeof kRates / sizeof kRates[0];
    const std::uint32_t pickRate = in.pick(kRateCount + 1);
    ParameterList list;
    const std::uint32_t count = in.pick(10);
    for (std::uint32_t i = 0; i < count; ++i) list.push_back(readBlock(in));

    if (pickRate == kRateCount) {  // any rate at all: built for this input alone
        Rig rig(channels, in.u32());
        drive(rig, std::move(list), channels, in);
        return 0;
    }
    static std::map<std::pair<int, std::uint32_t>, std::unique_ptr<Rig>> rigs;
    auto& rig = rigs[{channels, pickRate}];
    if (!rig) rig = std::make_unique<Rig>(channels, kRates[pickRate]);
    drive(*rig, std::move(list), channels, in);
    return 0;
}
