#include "presets/ParameterTable.h"

#include <array>
#include <cmath>

#include "chain/ParameterBlock.h"

namespace veltra::presets {

namespace {

using K = ValueKind;

constexpr Field kEnabled = {
    "enabled", "enabled", "",
    K::Toggle, 0,         1,
    -1,        false,     "the stage runs; off passes the signal through unchanged"};

constexpr Field kGainFields[] = {
    kEnabled,
    {"gain_db", "gain", "dB", K::Number, -60, 20, 0, false, "gain applied to every channel"},
};

constexpr Field kEqFields[] = {kEnabled};

constexpr Field kBandFields[] = {
    {"type", "type", "", K::FilterType, 0, 40, 3, false,
     "section type by name (see the type list); `none` passes the signal"},
    {"freq_hz", "frequency", "Hz", K::Number, 1, 100000, 0, true,
     "corner or centre frequency; below half the sample rate"},
    {"gain_db", "gain", "dB", K::Number, -100, 40, 1, false,
     "gain of a peaking, shelving or broadband section"},
    {"q", "Q", "", K::Number, 0.01f, 100, 2, false,
     "quality factor of a second-order section; a cut bell narrows by its linear gain"},
};

// The limiter's last word is carried by the block but not used by the limiter: fixed below.
constexpr Field kLimiterFields[] = {
    kEnabled,
    {"pass_through", "pass through", "", K::Toggle, 0, 1, 0, false,
     "copies the input unchanged, with no delay"},
    {"input_gain_db", "input gain", "dB", K::Number, -40, 40, 1, false,
     "gain into the detector and the output"},
    {"threshold_db", "threshold", "dB", K::Number, -60, 0, 2, false,
     "level above which the gain is reduced, re full scale"},
    {"hold_floor_db", "hold floor", "dB", K::Number, -40, 0, 3, false,
     "offset from the threshold of the level above which the gain is held"},
    {"hold_ms", "hold", "ms", K::Number, 0, 1000, 4, false, "time the gain is held after a peak"},
    {"attack_ms", "attack", "ms", K::Number, 0.1f, 20, 5, false,
     "attack time; also sets the look-ahead (at most 15 samples) and the gain smoothing"},
    {"release_ms", "release", "ms", K::Number, 1, 5000, 6, false,
     "time constant of the gain's recovery"},
};
constexpr FixedWord kLimiterFixed[] = {{7, 131.0f}};

constexpr Field kSurroundFields[] = {
    kEnabled,
    {"preset", "preset", "", K::WholeInt32, -1, 4, 256, false,
     "widener preset: 0 to 4 built in, -1 the custom values below"},
    {"intensity_pct", "intensity", "%", K::WholeInt32, 0, 100, 257, false,
     "moves a built-in preset's side gain through its range (not used by the custom preset)"},
    {"widener_pass_through", "widener pass through", "", K::Toggle, 0, 1, 258, false,
     "custom: the widener copies its input"},
    {"side_highpass_hz", "side high-pass", "Hz", K::Number, 10, 20000, 259, true,
     "custom: corner of the side signal's fourth-order high-pass"},
    {"side_gain_db", "side gain", "dB", K::Number, -100, 20, 260, false,
     "custom: side gain of the direct path"},
    {"second_input_db", "second path input", "dB", K::Number, -100, 20, 261, false,
     "custom: gain into the second path"},
    {"second_side_gain_db", "second side gain", "dB", K::Number, -100, 20, 262, false,
     "custom: side gain of the second path"},
    {"second_mix_db", "second path mix", "dB", K::Number, -100, 20, 263, false,
     "custom: level at which the second path is mixed in"},
    {"output_gain_db", "output gain", "dB", K::Number, -40, 20, 264, false,
     "custom: gain of the widener's output"},
    {"intensity_min_db", "intensity minimum", "dB", K::Number, -100, 20, 265, false,
     "custom: side gain at intensity 0"},
    {"intensity_max_db", "intensity maximum", "dB", K::Number, -100, 20, 266, false,
     "custom: side gain at intensity 100"},
    {"limiter_pass_through", "limiter pass through", "", K::Toggle, 0, 1, 267, false,
     "the widener's limiter copies its input"},
    {"limiter_pre_gain_db", "limiter pre-gain", "dB", K::Number, 0, 30, 268, false,
     "gain into the limiter's detector and output"},
    {"limiter_threshold_db", "limiter threshold", "dB", K::Number, -100, 0, 269, false,
     "the limiter's threshold"},
    {"limiter_attack_ms", "limiter attack", "ms", K::Number, 0.1f, 20, 270, false,
     "the limiter's attack time"},
    {"limiter_release_ms", "limiter release", "ms", K::Number, 10, 2000, 271, false,
     "the limiter's release time"},
    {"limiter_hold_floor_db", "limiter hold floor", "dB", K::Number, -1, 0, 272, false,
     "offset from the threshold of the limiter's hold floor"},
    {"limiter_hold_ms", "limiter hold", "ms", K::Number, 0, 20, 273, false,
     "the limiter's hold time"},
    {"limiter_lookahead_samples", "limiter look-ahead", "samples", K::Whole, 0, 2000, 274, false,
     "the limiter's look-ahead delay"},
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

// One name for every type code the equaliser designs; every other code passes the signal.
constexpr FilterType kFilterTypes[] = {
    {"none", 0, "none", false, false},
    {"high_pass_1", 1, "high-pass 6 dB/oct", false, false},
    {"high_pass_2", 2, "high-pass 12 dB/oct", false, true},
    {"low_pass_1", 5, "low-pass 6 dB/oct", false, false},
    {"low_pass_2", 6, "low-pass 12 dB/oct", false, true},
    {"all_pass_1", 9, "all-pass first order", false, false},
    {"all_pass_2", 10, "all-pass second order", false, true},
    {"peak", 11, "peak", true, true},
    {"high_shelf_1", 12, "high shelf first order", true, false},
    {"low_shelf_1", 13, "low shelf first order", true, false},
    {"band_pass", 14, "band-pass", false, true},
    {"gain", 15, "broadband gain", true, false},
    {"high_shelf_2", 16, "high shelf second order", true, true},
    {"low_shelf_2", 17, "low shelf second order", true, true},
    {"notch", 40, "notch", false, true},
};

}  // namespace

std::span<const StageInfo> stages() {
    return kStages;
}

std::span<const Field> bandFields() {
    return kBandFields;
}

std::span<const FilterType> filterTypes() {
    return kFilterTypes;
}

const FilterType* findFilterType(const std::string& name) {
    for (const FilterType& type : kFilterTypes)
        if (name == type.name) return &type;
    return nullptr;
}

const FilterType* filterTypeForCode(float code) {
    if (!std::isfinite(code)) return nullptr;
    const double whole = std::trunc(static_cast<double>(code));
    for (const FilterType& type : kFilterTypes)
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
