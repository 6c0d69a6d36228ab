// The Windows host's checks of the COM contracts (unload rule, aggregation, the speaker and
// microphone objects as the audio service drives them), run natively against the module linked
// into this binary, so that they also run under the sanitizers - once per kernel path, each
// against the scalar path's output.
#include <gtest/gtest.h>

#include <cstdlib>

#include "apo/ModuleEntryPoints.h"
#include "support/KernelPaths.h"
#include "support/Playback.h"
#include "support/Signals.h"
#include "windows/HostChecks.h"
#include "windows/HostModule.h"

namespace {

TEST(HostChecks, TheModuleKeepsItsComContractsOnEveryKernelPath) {
    host::Module module;
    module.canUnloadNow = &DllCanUnloadNow;
    module.getClassObject = &DllGetClassObject;

    // One second of loud bursts (both limiters work, then release) and a tone in noise; the
    // reference is the scalar playback engine driven directly, enhancement on, 10 ms buffers.
    const std::vector<float> input =
        veltra::testing::interleave(veltra::testing::bursts(48000, 220, 12000),
                                    veltra::testing::tone(48000, 1700, 0.5, 48000, 0.3f));
    setenv("VELTRA_ISA", "scalar", 1);
    const std::vector<float> reference = veltra::testing::playThrough(input, 480);

    for (const auto* path : veltra::testing::kernelPaths()) {
        setenv("VELTRA_ISA", path->name, 1);  // taken when a stream starts
        SCOPED_TRACE(path->name);
        host::checkUnloadRule(module);
        host::checkSpeaker(module, input, reference);
        host::checkMicrophone(module);
        host::checkAggregation(module);
        EXPECT_EQ(host::failures(), 0);
    }
    unsetenv("VELTRA_ISA");
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

}  // namespace
