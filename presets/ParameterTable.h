#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "effects/eq/SectionType.h"

namespace veltra::presets {

// How a value is written in a preset and stored in the stage's parameter block.
enum class ValueKind : std::uint8_t {
    Number,      // a float word
    Whole,       // a whole number, stored as a float word (truncated by the effect)
    WholeInt32,  // a whole number, stored as a 32-bit integer word
    Toggle,      // true/false, stored as 1.0/0.0 (or, for `enabled`, as the block's flag)
    FilterType,  // an equaliser section's type by name, stored as its type code
};

// One tunable value: its key in a preset (which carries the unit), where the effect reads it, the
// range a preset may give it (ports are clamped to it), and what it means.
struct Field {
    const char* key;
    const char* label;
    const char* unit;  // "dB", "Hz", "ms", "%", "samples" or "" for none
    ValueKind kind;
    float minimum;
    float maximum;
    int word;           // payload word; for a band field, the offset in the band; -1 for `enabled`
    bool belowNyquist;  // a filter frequency, which must stay below half of every sample rate
    const char* meaning;
};

// An equaliser section's type as the table names it: the equaliser's own list.
using FilterType = SectionTypeInfo;

// A word of a stage's block that is not a tuning value but has a fixed content.
struct FixedWord {
    int word;
    float value;
};

struct StageInfo {
    const char* name;    // the stage name, also the preset's table name
    const char* symbol;  // prefix of its control-port symbols
    std::int32_t effectType;
    std::span<const Field> fields;  // `enabled` first
    bool hasBands;
    std::span<const FixedWord> fixedWords;
};

inline constexpr int kStageCount = 7;
inline constexpr int kMaxBands = 16;
inline constexpr int kBandWords = 4;
inline constexpr int kFormatVersion = 1;

// The seven stages of the speaker path in processing order.
std::span<const StageInfo> stages();
// The fields of one equaliser band: type, freq_hz, gain_db, q.
std::span<const Field> bandFields();
std::span<const FilterType> filterTypes();
const FilterType* findFilterType(const std::string& name);
// The type whose code a stored value truncates to; null for a pass-through code.
const FilterType* filterTypeForCode(float code);
int stageIndex(const std::string& name);

// One tunable value of one stage (and band), as the ports and the docs list them.
struct Parameter {
    int stage;
    int band;  // -1 for a stage value
    const Field* field;

    std::string symbol() const;  // a C identifier, unique: e.g. pre_eq_band3_freq_hz
    std::string label() const;   // e.g. "PreEQ band 3 frequency"
};

// Every parameter in port order: stage by stage, its own values, then its bands.
const std::vector<Parameter>& allParameters();

}  // namespace veltra::presets
