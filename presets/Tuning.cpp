#include "presets/Tuning.h"

#include <bit>
#include <cmath>
#include <limits>

#include "chain/PlaybackAudioProcessChainProvider.h"

namespace veltra::presets {

namespace {

int wordOf(const Parameter& p) {
    return p.band >= 0 ? p.band * kBandWords + p.field->word : p.field->word;
}

std::int32_t toInt32(float v) {
    if (!std::isfinite(v)) return 0;
    const double t = std::trunc(static_cast<double>(v));
    if (t <= std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (t >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(t);
}

}  // namespace

Tuning::Tuning() {
    for (const StageInfo& stage : stages()) {
        auto block = std::make_unique<ParameterBlock>();
        block->version = 1;
        block->effectType = stage.effectType;
        block->enabled = 1;
        block->name = stage.name;
        for (const FixedWord& fixed : stage.fixedWords) block->setFloat(fixed.word, fixed.value);
        blocks_.push_back(std::move(block));
    }
}

Tuning::Tuning(const Tuning& other) {
    for (const auto& block : other.blocks_)
        blocks_.push_back(std::make_unique<ParameterBlock>(*block));
}

Tuning& Tuning::operator=(const Tuning& other) {
    if (this != &other) {
        for (std::size_t i = 0; i < blocks_.size(); ++i) *blocks_[i] = *other.blocks_[i];
    }
    return *this;
}

Tuning Tuning::builtIn() {
    Tuning t;
    fromBlocks(PlaybackAudioProcessChainProvider::defaultList(), t);
    return t;
}

bool Tuning::fromBlocks(const ParameterList& blocks, Tuning& out) {
    if (blocks.size() != static_cast<std::size_t>(kStageCount)) return false;
    for (int s = 0; s < kStageCount; ++s) {
        if (!blocks[s] || blocks[s]->name != stages()[s].name ||
            blocks[s]->effectType != stages()[s].effectType)
            return false;
    }
    for (int s = 0; s < kStageCount; ++s) *out.blocks_[s] = *blocks[s];
    return true;
}

float Tuning::value(const Parameter& p) const {
    const ParameterBlock& block = *blocks_[p.stage];
    if (p.field->word < 0) return block.enabled != 0 ? 1.0f : 0.0f;
    const int word = wordOf(p);
    if (p.field->kind == ValueKind::WholeInt32)
        return static_cast<float>(static_cast<std::int32_t>(block.payload[word]));
    return block.floatAt(static_cast<std::size_t>(word));
}

void Tuning::set(const Parameter& p, float v) {
    ParameterBlock& block = *blocks_[p.stage];
    switch (p.field->kind) {
        case ValueKind::Toggle:
            v = v >= 0.5f ? 1.0f : 0.0f;
            break;
        case ValueKind::Whole:
            v = std::isfinite(v) ? std::trunc(v) : 0.0f;
            break;
        case ValueKind::WholeInt32:
            block.payload[wordOf(p)] = static_cast<std::uint32_t>(toInt32(v));
            return;
        default:
            break;
    }
    if (p.field->word < 0) {
        block.enabled = v != 0.0f ? 1 : 0;
        return;
    }
    block.setFloat(static_cast<std::size_t>(wordOf(p)), v);
}

void Tuning::clearBands(int stage) {
    ParameterBlock& block = *blocks_[stage];
    for (int w = 0; w < kMaxBands * kBandWords; ++w) block.payload[w] = 0;
}

int Tuning::bandCount(int stage) const {
    const ParameterBlock& block = *blocks_[stage];
    int count = 0;
    for (int b = 0; b < kMaxBands; ++b) {
        for (int w = 0; w < kBandWords; ++w)
            if (block.payload[b * kBandWords + w] != 0) count = b + 1;
    }
    return count;
}

bool Tuning::operator==(const Tuning& other) const {
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        const ParameterBlock& a = *blocks_[i];
        const ParameterBlock& b = *other.blocks_[i];
        if (a.enabled != b.enabled || a.payload != b.payload) return false;
    }
    return true;
}

}  // namespace veltra::presets
