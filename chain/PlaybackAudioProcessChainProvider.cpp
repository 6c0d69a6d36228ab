#include "chain/PlaybackAudioProcessChainProvider.h"

#include <bit>
#include <initializer_list>

#include "chain/BlockLayout.h"
#include "effects/eq/SectionType.h"

namespace veltra {

namespace {

// The hold-floor offset of both limiters and the surround limiter: the float 0xBF591687.
[[maybe_unused]] const float kFloorOffset = std::bit_cast<float>(std::uint32_t{0xBF591687u});

std::unique_ptr<ParameterBlock> makeBlock(const char* name, EffectType type) {
    auto block = std::make_unique<ParameterBlock>();
    block->version = 1;
    block->effectType = type;
    block->enabled = 1;
    block->name = name;
    return block;
}

[[maybe_unused]] void setFloats(ParameterBlock& block, std::size_t first,
                                std::initializer_list<float> values) {
    for (float v : values) block.setFloat(first++, v);
}

// A band: frequency, gain, Q and the type's code, in the block's order.
using Band = std::initializer_list<float>;
[[maybe_unused]] constexpr float kHighPass = codeOf(SectionType::kHighPass2);
[[maybe_unused]] constexpr float kPeak = codeOf(SectionType::kPeak);

[[maybe_unused]] std::unique_ptr<ParameterBlock> eqBlock(const char* name,
                                                         std::initializer_list<Band> bands) {
    auto block = makeBlock(name, kEffectTypeEqualizer);
    std::size_t word = 0;
    for (const Band& band : bands) {
        setFloats(*block, word, band);
        word += block::kBandWords;
    }
    return block;
}

[[maybe_unused]] std::unique_ptr<ParameterBlock> limiterBlock(const char* name, float releaseMs) {
    auto block = makeBlock(name, kEffectTypeLimiter);
    // +7 dB into the detector and output, -3 dBFS threshold, 10 ms attack.
    setFloats(*block, block::kLimiterPassThrough,
              {0.0f, 7.0f, -3.0f, kFloorOffset, 0.0f, 10.0f, releaseMs, 131.0f});
    return block;
}

#ifdef VELTRA_BUILT_IN_PRESET
// A module built with a preset of its own: the stages and their non-zero words, written by the
// preset tool at build time.
struct BuiltInStage {
    const char* name;
    std::int32_t type;
    std::uint8_t enabled;
};
struct BuiltInWord {
    std::uint8_t stage;
    std::uint16_t word;
    std::uint32_t bits;
};
// cppcheck-suppress preprocessorErrorDirective
#include VELTRA_BUILT_IN_PRESET

ParameterList builtInPresetList() {
    ParameterList list;
    for (const BuiltInStage& stage : kBuiltInStages) {
        auto block = makeBlock(stage.name, static_cast<EffectType>(stage.type));
        block->enabled = stage.enabled;
        list.push_back(std::move(block));
    }
    for (const BuiltInWord& w : kBuiltInWords) list[w.stage]->payload[w.word] = w.bits;
    return list;
}
#endif

}  // namespace

PlaybackAudioProcessChainProvider::PlaybackAudioProcessChainProvider(const ParameterList* tuning)
    : tuned_(tuning != nullptr) {
    if (tuning == nullptr) return;
    for (const auto& block : *tuning)
        if (block) tuning_.push_back(std::make_unique<ParameterBlock>(*block));
}

ParameterList PlaybackAudioProcessChainProvider::defaultList() {
#ifdef VELTRA_BUILT_IN_PRESET
    return builtInPresetList();
#else
    ParameterList list;
    auto headroom = makeBlock("Headroom", kEffectTypeGain);
    headroom->setFloat(block::kGainDb, -10.0f);
    list.push_back(std::move(headroom));

    list.push_back(eqBlock("PreEQ", {{180.0f, -3.0f, 0.8f, kHighPass},
                                     {350.0f, -10.0f, 2.0f, kPeak},
                                     {800.0f, -3.0f, 3.0f, kPeak},
                                     {1500.0f, 3.0f, 2.0f, kPeak},
                                     {3000.0f, 3.0f, 2.8f, kPeak},
                                     {4000.0f, -9.0f, 8.0f, kPeak},
                                     {5000.0f, 8.0f, 3.0f, kPeak},
                                     {9000.0f, -5.0f, 6.0f, kPeak},
                                     {250.0f, 10.0f, 2.5f, kPeak}}));
    list.push_back(limiterBlock("Limiter", 200.0f));
    list.push_back(eqBlock("PostEQ", {{200.0f, -3.0f, 0.8f, kHighPass}}));

    auto surround = makeBlock("Halvorn_Surround", kEffectTypeSurround);
    surround->payload[block::kSurroundPreset] = static_cast<std::uint32_t>(-1);  // custom
    surround->payload[block::kSurroundIntensity] = 80;                           // percent
    setFloats(*surround, block::kSurroundCustomRow,
              {0.0f, 500.0f, -18.0f, -15.0f, 0.0f, -100.0f, 0.0f, -20.0f, -1.0f});
    setFloats(*surround, block::kSurroundLimiter,
              {0.0f, 0.0f, -20.0f, 10.0f, 200.0f, kFloorOffset, 0.0f, 131.0f});
    list.push_back(std::move(surround));

    list.push_back(eqBlock("PostEQ2", {{200.0f, -3.0f, 0.8f, kHighPass},
                                       {250.0f, 10.0f, 2.5f, kPeak},
                                       {350.0f, -15.0f, 3.5f, kPeak},
                                       {800.0f, -3.0f, 3.0f, kPeak},
                                       {1500.0f, 3.0f, 2.0f, kPeak},
                                       {3000.0f, 3.0f, 2.8f, kPeak},
                                       {4000.0f, -9.0f, 8.0f, kPeak},
                                       {5000.0f, 8.0f, 3.0f, kPeak},
                                       {9000.0f, -5.0f, 6.0f, kPeak},
                                       {450.0f, -5.0f, 4.5f, kPeak}}));
    list.push_back(limiterBlock("Limiter2", 10.0f));
    return list;
#endif
}

void PlaybackAudioProcessChainProvider::attach(AudioProcessChainProviderCallback* callback) {
    AudioProcessChainProvider::attach(callback);
    if (tuned_) {
        for (const auto& block : tuning_)
            mutableParameters().push_back(std::make_unique<ParameterBlock>(*block));
    } else {
        for (auto& block : defaultList()) mutableParameters().push_back(std::move(block));
    }
    notify();
}

}  // namespace veltra
