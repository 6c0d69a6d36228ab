// The plugin as a host sees it: the shared object from the bundle, opened with dlopen and driven
// only through lv2_descriptor.
#pragma once

#include <dlfcn.h>
#include <lv2/core/lv2.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "presets/Tuning.h"

namespace veltra::testing {

enum Port { kInL, kInR, kOutL, kOutR, kEnhancement, kEnabled, kLatency };

inline const LV2_Descriptor* descriptor() {
    static void* library = dlopen(VELTRA_LV2_BINARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor"));
    return entry != nullptr ? entry(0) : nullptr;
}

struct Instance {
    explicit Instance(double rate) : d(descriptor()) {
        handle = d->instantiate(d, rate, VELTRA_LV2_BUNDLE, nullptr);
        if (handle == nullptr) return;
        float* controls[] = {&enhancement, &enabled, &latency};
        for (std::uint32_t p = kEnhancement; p <= kLatency; ++p)
            d->connect_port(handle, p, controls[p - kEnhancement]);
        d->activate(handle);
    }
    ~Instance() {
        if (handle != nullptr) d->cleanup(handle);
    }
    // One run over frames [at, at + n) of the stereo signal, in place when asked.
    void run(std::vector<float>& l, std::vector<float>& r, std::vector<float>& ol,
             std::vector<float>& orr, std::size_t at, std::uint32_t n, bool inPlace) {
        float* io[4] = {l.data() + at, r.data() + at, inPlace ? l.data() + at : ol.data() + at,
                        inPlace ? r.data() + at : orr.data() + at};
        for (std::uint32_t p = 0; p < 4; ++p) d->connect_port(handle, p, io[p]);
        d->run(handle, n);
        if (inPlace) {
            std::copy(l.begin() + long(at), l.begin() + long(at + n), ol.begin() + long(at));
            std::copy(r.begin() + long(at), r.begin() + long(at + n), orr.begin() + long(at));
        }
    }
    // Every tuning control, at the built-in values (as a host sets a port's default).
    void connectTuning() {
        const auto tuning = veltra::presets::Tuning::builtIn();
        for (const auto& p : veltra::presets::allParameters()) tuning_.push_back(tuning.value(p));
        for (std::size_t i = 0; i < tuning_.size(); ++i)
            d->connect_port(handle, std::uint32_t(kLatency + 1 + i), &tuning_[i]);
    }
    float& control(const std::string& symbol) {
        const auto& all = veltra::presets::allParameters();
        for (std::size_t i = 0; i < all.size(); ++i)
            if (all[i].symbol() == symbol) return tuning_[i];
        throw std::out_of_range(symbol);
    }
    const LV2_Descriptor* d;
    LV2_Handle handle = nullptr;
    std::vector<float> tuning_;
    float enhancement = 1.0f, enabled = 1.0f, latency = -1.0f;
};

}  // namespace veltra::testing
