// Any text as REW or AutoEq filter settings, into any equaliser stage at a few rates. A refusal
// must say why and leave the tuning alone; what is accepted must be a preset that passes the
// same checks at that rate, since `preset import` writes it as one.
#include <cstdlib>
#include <string_view>

#include "FuzzInput.h"
#include "presets/FilterTextImport.h"
#include "presets/PresetFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra::presets;
    veltra::fuzz::FuzzInput in(data, size);
    const char* const equalisers[] = {"PreEQ", "PostEQ", "PostEQ2"};
    const int stage = stageIndex(equalisers[in.pick(3)]);
    const int rates[] = {48000, 44100, 96000, 32000};  // the built-in tuning holds at all four
    const int rate = rates[in.pick(4)];
    const std::string_view text(
        reinterpret_cast<const char*>(data) + std::min<std::size_t>(size, 2),
        size - std::min<std::size_t>(size, 2));
    // Kept across inputs and reset by assignment, which copies the blocks without allocating.
    static const Tuning builtIn = Tuning::builtIn();
    static Tuning tuning;
    tuning = builtIn;
    PresetProblems problems;
    if (!FilterTextImport::apply(text, stage, rate, tuning, problems)) {
        if (problems.empty() || !(tuning == builtIn)) std::abort();
        return 0;
    }
    // What was accepted reads back as a valid preset at this rate, as `preset import`'s output
    // must. Writing and reading the whole tuning costs several times the import, so one input
    // in sixty-four checks it.
    if (!veltra::fuzz::oneIn(64, data, size)) return 0;
    Tuning back;
    PresetProblems none;
    if (!PresetFile::parse(PresetFile::write(tuning), {rate}, back, none) || !(back == tuning))
        std::abort();
    return 0;
}
