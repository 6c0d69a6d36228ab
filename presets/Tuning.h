#pragma once

#include "chain/ParameterBlock.h"
#include "presets/ParameterTable.h"

namespace veltra::presets {

// A complete speaker tuning: the seven stage blocks in processing order, read and written
// through the parameter table. Setting a value only writes a block word, so a tuning can be
// changed on the audio thread.
class Tuning {
  public:
    // The module's built-in list.
    static Tuning builtIn();
    // False (out unchanged) if the list is not the seven stages of the speaker path in order.
    static bool fromBlocks(const ParameterList& blocks, Tuning& out);

    Tuning();
    Tuning(const Tuning& other);
    Tuning& operator=(const Tuning& other);
    Tuning(Tuning&&) noexcept = default;
    Tuning& operator=(Tuning&&) noexcept = default;
    ~Tuning() = default;

    float value(const Parameter& p) const;
    // Stores the value as the effect reads it (whole kinds truncated, toggles as 0 or 1).
    void set(const Parameter& p, float value);
    // Every band of a stage off (type none, all values 0).
    void clearBands(int stage);
    int bandCount(int stage) const;  // bands up to the last that is not all zero

    const ParameterList& blocks() const { return blocks_; }
    bool operator==(const Tuning& other) const;

  private:
    ParameterList blocks_;
};

}  // namespace veltra::presets
