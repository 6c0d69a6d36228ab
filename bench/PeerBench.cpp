// Our LV2 plugin against a peer doing comparable work, both loaded through lilv and run in
// 480-frame stereo blocks at 48000 Hz in one process, so that one run compares them on the same
// machine state. The peer is LSP's Parametric Equalizer x16 Stereo with all sixteen bands as bells
// ("APO (DR)" filters, the cookbook kind ours are) followed by LSP's Limiter Stereo on its
// defaults: a subset of our path, which also widens and limits twice. Peers that are not installed
// (Debian: lsp-plugins-lv2) are reported as skipped.
#include <benchmark/benchmark.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSignals.h"

namespace {

constexpr std::uint32_t kBlock = 480;
constexpr double kRate = 48000.0;

// The few host services the plugins ask for: URIDs, and the block length as an option.
class Host {
  public:
    Host() {
        // Our bundle from the build tree, the peers from where Debian installs them.
        const std::string path = std::string(VELTRA_LV2_BUNDLES) + ":/usr/lib/lv2";
        setenv("LV2_PATH", path.c_str(), 1);
        world_ = lilv_world_new();
        lilv_world_load_all(world_);
        map_.handle = this;
        map_.map = [](LV2_URID_Map_Handle h, const char* uri) {
            auto& ids = static_cast<Host*>(h)->ids_;
            return ids.emplace(uri, std::uint32_t(ids.size() + 1)).first->second;
        };
        options_[0].context = LV2_OPTIONS_INSTANCE;
        options_[0].key = map_.map(this, LV2_BUF_SIZE__maxBlockLength);
        options_[0].size = sizeof(std::int32_t);
        options_[0].type = map_.map(this, LV2_ATOM__Int);
        options_[0].value = &block_;
        mapFeature_ = {LV2_URID__map, &map_};
        optionsFeature_ = {LV2_OPTIONS__options, options_};
        features_[0] = &mapFeature_;
        features_[1] = &optionsFeature_;
        features_[2] = nullptr;
    }
    ~Host() { lilv_world_free(world_); }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    LilvWorld* world() const { return world_; }
    const LV2_Feature* const* features() const { return features_; }
    std::uint32_t urid(const char* uri) { return map_.map(this, uri); }

  private:
    LilvWorld* world_;
    std::map<std::string, std::uint32_t> ids_;
    LV2_URID_Map map_{};
    std::int32_t block_ = kBlock;
    LV2_Options_Option options_[2]{};
    LV2_Feature mapFeature_{}, optionsFeature_{};
    const LV2_Feature* features_[3]{};
};

// One plugin instance with every port connected: audio to the shared stereo buffers, controls to
// their defaults unless set, event ports to empty sequences.
class Instance {
  public:
    Instance(Host& host, const char* uri, const std::map<std::string, float>& controls, float* left,
             float* right) {
        LilvNode* node = lilv_new_uri(host.world(), uri);
        plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(host.world()), node);
        lilv_node_free(node);
        if (plugin_ == nullptr) return;
        instance_ = lilv_plugin_instantiate(plugin_, kRate, host.features());
        if (instance_ == nullptr) return;
        const std::uint32_t ports = lilv_plugin_get_num_ports(plugin_);
        std::vector<float> defaults(ports);
        lilv_plugin_get_port_ranges_float(plugin_, nullptr, nullptr, defaults.data());
        values_.resize(ports);
        atoms_.resize(ports);
        LilvNode* audio = lilv_new_uri(host.world(), LV2_CORE__AudioPort);
        LilvNode* control = lilv_new_uri(host.world(), LV2_CORE__ControlPort);
        LilvNode* input = lilv_new_uri(host.world(), LV2_CORE__InputPort);
        int audioIn = 0, audioOut = 0;
        for (std::uint32_t i = 0; i < ports; ++i) {
            const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, i);
            const bool in = lilv_port_is_a(plugin_, port, input);
            if (lilv_port_is_a(plugin_, port, audio)) {
                float* channel = (in ? audioIn++ : audioOut++) == 0 ? left : right;
                lilv_instance_connect_port(instance_, i, channel);  // in place, as a chain runs
            } else if (lilv_port_is_a(plugin_, port, control)) {
                const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(plugin_, port));
                const auto set = controls.find(symbol);
                values_[i] = set != controls.end()     ? set->second
                             : std::isnan(defaults[i]) ? 0.0f
                                                       : defaults[i];
                lilv_instance_connect_port(instance_, i, &values_[i]);
            } else {
                atoms_[i] = std::make_unique<LV2_Atom_Sequence[]>(1024);
                atoms_[i][0].atom = {sizeof(LV2_Atom_Sequence_Body), host.urid(LV2_ATOM__Sequence)};
                lilv_instance_connect_port(instance_, i, atoms_[i].get());
            }
        }
        lilv_node_free(audio);
        lilv_node_free(control);
        lilv_node_free(input);
        lilv_instance_activate(instance_);
    }
    ~Instance() {
        if (instance_ != nullptr) {
            lilv_instance_deactivate(instance_);
            lilv_instance_free(instance_);
        }
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool loaded() const { return instance_ != nullptr; }
    void run(std::uint32_t frames) { lilv_instance_run(instance_, frames); }

  private:
    const LilvPlugin* plugin_ = nullptr;
    LilvInstance* instance_ = nullptr;
    std::vector<float> values_;
    std::vector<std::unique_ptr<LV2_Atom_Sequence[]>> atoms_;
};

// Sixteen bells from 40 Hz to 14 kHz, alternately +6 and -6 dB, Q 1.
std::map<std::string, float> equaliserBands() {
    std::map<std::string, float> c;
    for (int i = 0; i < 16; ++i) {
        const std::string n = std::to_string(i);
        c["ft_" + n] = 1.0f;  // bell
        c["fm_" + n] = 6.0f;  // APO (DR): direct-form cookbook biquads
        c["f_" + n] = float(40.0 * std::pow(350.0, i / 15.0));
        c["g_" + n] = i % 2 == 0 ? 2.0f : 0.5f;
        c["q_" + n] = 1.0f;
    }
    return c;
}

void timeChain(benchmark::State& state,
               const std::vector<std::pair<const char*, std::map<std::string, float>>>& chain) {
    Host host;
    auto source = veltra::bench::noise(2 * kBlock);
    std::vector<float> left(kBlock), right(kBlock);
    std::vector<std::unique_ptr<Instance>> plugins;
    for (auto& [uri, controls] : chain) {
        plugins.push_back(
            std::make_unique<Instance>(host, uri, controls, left.data(), right.data()));
        if (!plugins.back()->loaded()) {
            state.SkipWithError((std::string(uri) + " is not installed").c_str());
            return;
        }
    }
    auto block = [&] {
        for (std::uint32_t i = 0; i < kBlock; ++i)
            left[i] = source[2 * i], right[i] = source[2 * i + 1];
        for (auto& p : plugins) p->run(kBlock);
        benchmark::DoNotOptimize(left.data());
    };
    for (int i = 0; i < 100; ++i) block();  // past start-up fades
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the loop variable is unused
    for (auto _ : state) block();
    veltra::bench::reportPerFrame(state, kBlock);
    state.SetLabel("");
}

void BM_Lv2_VeltraSpeaker(benchmark::State& state) {
    timeChain(state, {{"urn:veltradsp:speaker", {}}});
}
// On a shared machine other tenants only ever add time: the fastest repetition is the figure.
double fastest(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}
BENCHMARK(BM_Lv2_VeltraSpeaker)->ComputeStatistics("min", fastest);

void BM_Lv2_LspEqualiserX16AndLimiter(benchmark::State& state) {
    timeChain(state,
              {{"http://lsp-plug.in/plugins/lv2/para_equalizer_x16_stereo", equaliserBands()},
               {"http://lsp-plug.in/plugins/lv2/limiter_stereo", {}}});
}
BENCHMARK(BM_Lv2_LspEqualiserX16AndLimiter)->ComputeStatistics("min", fastest);

}  // namespace
