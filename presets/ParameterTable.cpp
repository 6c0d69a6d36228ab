#include "presets/ParameterTable.h"

#include <array>
#include <cmath>

#include "chain/BlockLayout.h"
#include "chain/ParameterBlock.h"

namespace veltra::presets {

namespace {

using K = ValueKind;

// A block position as the table's fields hold it.
constexpr int at(std::size_t word) {
    return static_cast<int>(word);
}

constexpr Field kEnabled = {
    "enabled", "enabled", "",
    K::Toggle, 0,         1,
    -1,        false,     "the stage runs; off passes the signal through unchanged"};

constexpr Field kGainFields[] = {
    kEnabled,
    {"gain_db", "gain", "dB", K::Number, -60, 20, at(block::kGainDb), false,
     "gain applied to every channel"},
};

constexpr Field kEqFields[] = {kEnabled};

constexpr Field kBandFields[] = {
    {"type", "type", "", K::FilterType, 0, codeOf(SectionType::kNotch), at(block::kBandType), false,
     "section type by name (see the type list); `none` passes the signal"},
    {"freq_hz", "frequency", "Hz", K::Number, 1, 100000, at(block::kBandFrequency), true,
     "corner or centre frequency; below half the sample rate"},
    {"gain_db", "gain", "dB", K::Number, -100, 40, at(block::kBandGain), false,
     "gain of a peaking, shelving or broadband section"},
    {"q", "Q", "", K::Number, 0.01f, 100, at(block::kBandQ), false,
     "quality factor of a second-order section; a cut bell narrows by its linear gain"},
};

// The limiter's last word is carried by the block but not used by the limiter: fixed below.
constexpr Field kLimiterFields[] = {
    kEnabled,
    {"pass_through", "pass through", "", K::Toggle, 0, 1, at(block::kLimiterPassThrough), false,
     "copies the input unchanged, with no delay"},
    {"input_gain_db", "input gain", "dB", K::Number, -40, 40, at(block::kLimiterInputGain), false,
     "gain into the detector and the output"},
    {"threshold_db", "threshold", "dB", K::Number, -60, 0, at(block::kLimiterThreshold), false,
     "level above which the gain is reduced, re full scale"},
    {"hold_floor_db", "hold floor", "dB", K::Number, -40, 0, at(block::kLimiterHoldFloor), false,
     "offset from the threshold of the level above which the gain is held"},
    {"hold_ms", "hold", "ms", K::Number, 0, 1000, at(block::kLimiterHold), false,
     "time the gain is held after a peak"},
    {"attack_ms", "attack", "ms", K::Number, 0.1f, 20, at(block::kLimiterAttack), false,
     "attack time; also sets the look-ahead (at most 15 samples) and the gain smoothing"},
    {"release_ms", "release", "ms", K::Number, 1, 5000, at(block::kLimiterRelease), false,
     "time constant of the gain's recovery"},
};
constexpr FixedWord kLimiterFixed[] = {{at(block::kLimiterUnused), 131.0f}};

constexpr Field kSurroundFields[] = {
    kEnabled,
    {"preset", "preset", "", K::WholeInt32, -1, 4, at(block::kSurroundPreset), false,
     "widener preset: 0 to 4 built in, -1 the custom values below"},
    {"intensity_pct", "intensity", "%", K::WholeInt32, 0, 100, at(block::kSurroundIntensity), false,
     "moves a built-in preset's side gain through its range (not used by the custom preset)"},
    {"widener_pass_through", "widener pass through", "", K::Toggle, 0, 1,
     at(block::kWidenerPassThrough), false, "custom: the widener copies its input"},
    {"side_highpass_hz", "side high-pass", "Hz", K::Number, 10, 20000, at(block::kSideHighpass),
     true, "custom: corner of the side signal's fourth-order high-pass"},
    {"side_gain_db", "side gain", "dB", K::Number, -100, 20, at(block::kSideGain), false,
     "custom: side gain of the direct path"},
    {"second_input_db", "second path input", "dB", K::Number, -100, 20, at(block::kSecondInput),
     false, "custom: gain into the second path"},
    {"second_side_gain_db", "second side gain", "dB", K::Number, -100, 20,
     at(block::kSecondSideGain), false, "custom: side gain of the second path"},
    {"second_mix_db", "second path mix", "dB", K::Number, -100, 20, at(block::kSecondMix), false,
     "custom: level at which the second path is mixed in"},
    {"output_gain_db", "output gain", "dB", K::Number, -40, 20, at(block::kWidenerOutputGain),
     false, "custom: gain of the widener's output"},
    {"intensity_min_db", "intensity minimum", "dB", K::Number, -100, 20,
     at(block::kIntensityMinimum), false, "custom: side gain at intensity 0"},
    {"intensity_max_db", "intensity maximum", "dB", K::Number, -100, 20,
     at(block::kIntensityMaximum), false, "custom: side gain at intensity 100"},
    {"limiter_pass_through", "limiter pass through", "", K::Toggle, 0, 1,
     at(block::kSurroundLimiterPassThrough), false, "the widener's limiter copies its input"},
    {"limiter_pre_gain_db", "limiter pre-gain", "dB", K::Number, 0, 30,
     at(block::kSurroundLimiterPreGain), false, "gain into the limiter's detector and output"},
    {"limiter_threshold_db", "limiter threshold", "dB", K::Number, -100, 0,
     at(block::kSurroundLimiterThreshold), false, "the limiter's threshold"},
    {"limiter_attack_ms", "limiter attack", "ms", K::Number, 0.1f, 20,
     at(block::kSurroundLimiterAttack), false, "the limiter's attack time"},
    {"limiter_release_ms", "limiter release", "ms", K::Number, 10, 2000,
     at(block::kSurroundLimiterRelease), false, "the limiter's release time"},
    {"limiter_hold_floor_db", "limiter hold floor", "dB", K::Number, -1, 0,
     at(block::kSurroundLimiterHoldFloor), false,
     "offset from the threshold of the limiter's hold floor"},
    {"limiter_hold_ms", "limiter hold", "ms", K::Number, 0, 20, at(block::kSurroundLimiterHold),
     false, "the limiter's hold time"},
    {"limiter_lookahead_samples", "limiter look-ahead", "samples", K::Whole, 0, 2000,
     at(block::kSurroundLimiterLookAhead), false, "the limiter's look-ahead delay"},
};

constexpr StageInfo kStages[kStageCount] = {
    {"Headroom", "headroom", kEffectTypeGain, kGainFields, false, {}},
    {"PreEQ", "pre_eq", kEffectTypeEqualizer, kEqFields, true, {}},
    {"Limiter", "limiter", kEffectTypeLimiter, kLimiterFields, false, kLimiterFixed},
    {"PostEQ", "post_eq", kEffectTypeEqualizer, kEqFields, true, {}},
    {"Halvorn_Surround", "surround", kEffectTypeSurround, kSurroundFields, false, {}},
    {"PostEQ2", "post_eq2", kEffectTypeEqualizer, kEqFields, true, {}},
    {"Limiter2", "limiter2", kEffectTypeLimiter, kLimiterFields, false, kLimiterFixed},
};

}  // namespace

std::span<const StageInfo> stages() {
    return kStages;
}

std::span<const Field> bandFields() {
    return kBandFields;
}

std::span<const FilterType> filterTypes() {
    return kSectionTypes;
}

const FilterType* findFilterType(const std::string& name) {
    for (const FilterType& type : kSectionTypes)
        if (name == type.name) return &type;
    return nullptr;
}

const FilterType* filterTypeForCode(float code) {
    if (!std::isfinite(code)) return nullptr;
    const double whole = std::trunc(static_cast<double>(code));
    for (const FilterType& type : kSectionTypes)
        if (type.code != 0 && whole == type.code) return &type;
    return nullptr;
}

int stageIndex(const std::string& name) {
    for (int i = 0; i < kStageCount; ++i)
        if (name == kStages[i].name) return i;
    return -1;
}

std::string Parameter::symbol() const {
    std::string s = kStages[stage].symbol;
    if (band >= 0) s += "_band" + std::to_string(band + 1);
    return s + "_" + field->key;
}

std::string Parameter::label() const {
    std::string s = kStages[stage].name;
    if (band >= 0) return s + " band " + std::to_string(band + 1) + " " + field->label;
    return s + " " + field->label;
}

const std::vector<Parameter>& allParameters() {
    static const std::vector<Parameter> list = [] {
        std::vector<Parameter> all;
        for (int s = 0; s < kStageCount; ++s) {
            for (const Field& f : kStages[s].fields) all.push_back({s, -1, &f});
            if (!kStages[s].hasBands) continue;
            for (int b = 0; b < kMaxBands; ++b)
                for (const Field& f : kBandFields) all.push_back({s, b, &f});
        }
        return all;
    }();
    return list;
}

}  // namespace veltra::presets
