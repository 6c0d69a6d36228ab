#pragma once

#include <cstddef>

#include "chain/ParameterBlock.h"

// Where each value sits in a stage's parameter block: the effects read it from there, the
// built-in list and the parameter table write it there. A position is named once, here.
namespace veltra::block {

// A gain stage: its gain in dB.
inline constexpr std::size_t kGainDb = 0;

// An equaliser: sixteen bands of four words each.
inline constexpr std::size_t kBands = 16;
inline constexpr std::size_t kBandWords = 4;
inline constexpr std::size_t kBandFrequency = 0;  // within a band: Hz
inline constexpr std::size_t kBandGain = 1;       // dB
inline constexpr std::size_t kBandQ = 2;
inline constexpr std::size_t kBandType = 3;  // the section type's code, as a float

// A limiter: eight words from 0.
inline constexpr std::size_t kLimiterPassThrough = 0;
inline constexpr std::size_t kLimiterInputGain = 1;
inline constexpr std::size_t kLimiterThreshold = 2;
inline constexpr std::size_t kLimiterHoldFloor = 3;
inline constexpr std::size_t kLimiterHold = 4;
inline constexpr std::size_t kLimiterAttack = 5;
inline constexpr std::size_t kLimiterRelease = 6;
inline constexpr std::size_t kLimiterUnused = 7;  // carried, not read
inline constexpr std::size_t kLimiterWords = 8;

// The surround stage: its words follow the 256 every other block has.
inline constexpr std::size_t kSurroundPreset = 256;     // an int32
inline constexpr std::size_t kSurroundIntensity = 257;  // an int32, percent
// The custom preset's row, nine words.
inline constexpr std::size_t kSurroundCustomRow = 258;
inline constexpr std::size_t kWidenerPassThrough = 258;
inline constexpr std::size_t kSideHighpass = 259;
inline constexpr std::size_t kSideGain = 260;
inline constexpr std::size_t kSecondInput = 261;
inline constexpr std::size_t kSecondSideGain = 262;
inline constexpr std::size_t kSecondMix = 263;
inline constexpr std::size_t kWidenerOutputGain = 264;
inline constexpr std::size_t kIntensityMinimum = 265;
inline constexpr std::size_t kIntensityMaximum = 266;
// The widener's limiter, eight words.
inline constexpr std::size_t kSurroundLimiter = 267;
inline constexpr std::size_t kSurroundLimiterPassThrough = 267;
inline constexpr std::size_t kSurroundLimiterPreGain = 268;
inline constexpr std::size_t kSurroundLimiterThreshold = 269;
inline constexpr std::size_t kSurroundLimiterAttack = 270;
inline constexpr std::size_t kSurroundLimiterRelease = 271;
inline constexpr std::size_t kSurroundLimiterHoldFloor = 272;
inline constexpr std::size_t kSurroundLimiterHold = 273;
inline constexpr std::size_t kSurroundLimiterLookAhead = 274;
inline constexpr std::size_t kSurroundEnd = 275;

static_assert(kBands * kBandWords <= kSurroundPreset);
static_assert(kSurroundEnd <= ParameterBlock::kSurroundPayloadWords);

}  // namespace veltra::block
