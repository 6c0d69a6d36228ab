// The plugin's entry points as LV2 defines them: one descriptor, for
// urn:veltradsp:speaker, whose functions forward to SpeakerPlugin.
#include <lv2/core/lv2.h>

#include "lv2/SpeakerPlugin.h"

namespace {

using veltra::lv2::SpeakerPlugin;

SpeakerPlugin* self(LV2_Handle handle) {
    return static_cast<SpeakerPlugin*>(handle);
}

LV2_Handle instantiate(const LV2_Descriptor* /*descriptor*/, double rate, const char* /*bundle*/,
                       const LV2_Feature* const* /*features*/) {
    return SpeakerPlugin::create(rate);
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) {
    self(handle)->connect(port, data);
}

void activate(LV2_Handle handle) {
    self(handle)->activate();
}

void run(LV2_Handle handle, uint32_t frames) {
    self(handle)->run(frames);
}

void cleanup(LV2_Handle handle) {
    delete self(handle);
}

const void* extensionData(const char* /*uri*/) {
    return nullptr;
}

const LV2_Descriptor kDescriptor = {"urn:veltradsp:speaker",
                                    instantiate,
                                    connectPort,
                                    activate,
                                    run,
                                    nullptr,
                                    cleanup,
                                    extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
