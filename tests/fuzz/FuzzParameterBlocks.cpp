// Parameter blocks of any content into every effect and into the playback chain's rebuild: any
// payload bits, known and unknown names (repeated ones too), known and unknown effect types, any
// channel count up to eight and any sample rate; then audio of any bits through what was built.
#include <memory>
#include <vector>

#include "FuzzInput.h"
#include "chain/ParameterMessage.h"
#include "chain/ProjectPlaybackAudioProcessChain.h"
#include "effects/eq/EqAudioEffectObject.h"
#include "effects/gain/GainAudioEffectObject.h"
#include "effects/limiter/LimiterAudioEffectObject.h"
#include "effects/surround/HalvornSurroundAudioEffectObject.h"
#include "support/ListProvider.h"

namespace {

using namespace veltra;

using support::ListProvider;

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

void fill(fuzz::FuzzInput& in, std::vector<std::vector<float>>& channels) {
    for (auto& channel : channels)
        for (float& v : channel) v = in.empty() ? 0.25f : in.f32();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const int channels = 1 + int(in.pick(8));
    const std::uint32_t rates[] = {48000, 44100, 32000, 16000, 0};
    const std::uint32_t pickRate = in.pick(6);
    const std::uint32_t rate = pickRate < 5 ? rates[pickRate] : in.u32();
    ParameterList list;
    const std::uint32_t count = in.pick(10);
    for (std::uint32_t i = 0; i < count; ++i) list.push_back(readBlock(in));

    std::vector<std::vector<float>> inBuf(std::size_t(channels), std::vector<float>(64));
    std::vector<std::vector<float>> outBuf = inBuf;
    std::vector<float*> ip, op;
    for (int c = 0; c < channels; ++c)
        ip.push_back(inBuf[c].data()), op.push_back(outBuf[c].data());

    // Every block into a stand-alone effect of every type.
    for (const auto& block : list) {
        std::unique_ptr<AudioEffectObject> effects[] = {
            std::make_unique<GainAudioEffectObject>(channels),
            std::make_unique<EqAudioEffectObject>(channels, rate),
            std::make_unique<LimiterAudioEffectObject>(channels, rate),
            std::make_unique<HalvornSurroundAudioEffectObject>(rate, channels)};
        for (auto& effect : effects) {
            effect->init();
            effect->setParameters(*block);
            fill(in, inBuf);
            effect->process(ip.data(), op.data(), 64);
            effect->clearState();
            effect->release();
        }
    }

    // The whole list into a playback chain, then blocks of audio and enable messages.
    ProjectPlaybackAudioProcessChain chain(std::make_unique<ListProvider>(std::move(list)));
    const std::uint32_t configuration[3] = {std::uint32_t(channels), std::uint32_t(channels), rate};
    chain.init(configuration);
    for (int b = 0; b < 8; ++b) {
        if (in.pick(4) == 0) {
            std::uint32_t record[2] = {10003, in.u32()};
            chain.handleSetParameter(ParameterMessage{record[0], record});
        }
        fill(in, inBuf);
        chain.process(ip.data(), op.data(), 64);
    }
    chain.release();
    return 0;
}
