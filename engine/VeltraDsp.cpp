#include "engine/VeltraDsp.h"

#include <algorithm>

namespace veltra {

VeltraDsp::~VeltraDsp() {
    releaseChain();
}

bool VeltraDsp::init(const std::uint32_t* configuration) {
    chain_ = createProcessChain();
    if (!chain_ || !chain_->init(configuration)) return false;
    blockSize_ = static_cast<int>(chain_->blockSize());
    blocksPerCall_ = std::max(chain_->blocksPerCall(), 1);
    return true;
}

void VeltraDsp::releaseChain() {
    if (!chain_) return;
    chain_->release();
    chain_.reset();
}

void VeltraDsp::release() {
    releaseChain();
}

void VeltraDsp::process(float** input, float** output, int frames) {
    const std::lock_guard<std::mutex> guard(lock_);
    processChain(input, output, frames);
}

void VeltraDsp::processChain(float** input, float** output, int frames) {
    if (chain_) chain_->process(input, output, frames);
}

std::int32_t VeltraDsp::handleSetParameter(const ParameterMessage& message) {
    return chain_ ? chain_->handleSetParameter(message) : 0;
}

std::int32_t VeltraDsp::handleGetParameter(const ParameterMessage& message) {
    return chain_ ? chain_->handleGetParameter(message) : 0;
}

std::int32_t VeltraDsp::setParameter(std::uint32_t* record) {
    if (record == nullptr) return 0;
    const ParameterMessage message{record[0], record};
    const std::lock_guard<std::mutex> guard(lock_);
    return handleSetParameter(message);
}

int VeltraDsp::latencyFrames() {
    const std::lock_guard<std::mutex> guard(lock_);
    return chain_ ? blockSize_ + chain_->latencyFrames() : 0;
}

}  // namespace veltra
