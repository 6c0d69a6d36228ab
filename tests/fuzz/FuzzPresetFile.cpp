// Any text as a preset file: parsed and checked at the usual rates. A refusal must say why; an
// accepted preset must write out and read back as the same tuning, the property `preset show`
// and the exports rely on.
#include <cstdlib>
#include <string_view>

#include "presets/PresetFile.h"
#include "presets/ValueCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veltra::presets;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<int>& rates = defaultCheckRates();
    Tuning tuning;
    PresetProblems problems;
    if (!PresetFile::parse(text, rates, tuning, problems)) {
        if (problems.empty()) std::abort();
        for (const PresetProblem& p : problems)
            if (p.message.empty() || describe("fuzz.toml", p).empty()) std::abort();
        return 0;
    }
    Tuning back;
    PresetProblems none;
    if (!PresetFile::parse(PresetFile::write(tuning), rates, back, none) || !(back == tuning))
        std::abort();
    return 0;
}
