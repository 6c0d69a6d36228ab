// The Windows host's checks of the COM contracts (unload rule, aggregation, the speaker and
// microphone objects as the audio service drives them), run natively against the module linked
// into this binary, so that they also run under the sanitizers.
#include <gtest/gtest.h>

#include <cmath>

#include "apo/ModuleEntryPoints.h"
#include "engine/PlaybackModule.h"
#include "windows/HostChecks.h"
#include "windows/HostModule.h"

namespace {

TEST(HostChecks, TheModuleKeepsItsComContracts) {
    host::Module module;
    module.canUnloadNow = &DllCanUnloadNow;
    module.getClassObject = &DllGetClassObject;
    module.registerServer = &DllRegisterServer;
    module.unregisterServer = &DllUnregisterServer;

    // The speaker's reference: the playback engine driven directly, enhancement on, 10 ms buffers.
    std::vector<float> input(2 * 48000), reference;
    for (std::size_t i = 0; i < input.size(); ++i)
        input[i] =
            0.9f * std::sin(0.0023f * float(i * (i % 2 + 1)) + 0.00001f * float(i * i % 977));
    reference = input;
    veltra::VeltraDspPlayback* engine = veltra::createPlaybackEngine(2, 2, 48000);
    std::uint32_t record[2] = {10003, 1};
    veltra::sendPlaybackParameter(engine, record);
    for (std::size_t at = 0; at < reference.size(); at += 2 * 480)
        veltra::processPlayback(engine, reference.data() + at, reference.data() + at, 480);
    veltra::destroyPlaybackEngine(engine);

    host::checkUnloadRule(module);
    host::checkSpeaker(module, input, reference);
    host::checkMicrophone(module);
    host::checkAggregation(module);
    EXPECT_EQ(host::failures(), 0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

}  // namespace
