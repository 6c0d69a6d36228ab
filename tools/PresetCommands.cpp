#include "tools/PresetCommands.h"

#include <cstdio>
#include <filesystem>

#include "files/WholeFile.h"
#include "pipewire/FilterChainConfig.h"
#include "presets/FilterTextImport.h"
#include "presets/PresetFile.h"
#include "presets/ValueCheck.h"
#include "tools/AudioFile.h"
#include "tools/ExitCodes.h"
#include "tools/OutputFile.h"
#include "tools/PresetExport.h"

namespace veltra::tools {

using namespace presets;

presets::Tuning loadPreset(const std::string& path, const std::vector<int>& rates) {
    Tuning tuning = Tuning::builtIn();
    if (path.empty()) return tuning;
    PresetProblems problems;
    if (!PresetFile::read(path, rates.empty() ? defaultCheckRates() : rates, tuning, problems))
        throw PresetError{path, std::move(problems)};
    return tuning;
}

PresetCommands::PresetCommands(CLI::App& app) {
    preset_ = app.add_subcommand("preset", "show, check, import and export speaker presets");
    preset_->footer(ExitCodes::forFiles(
        "a preset or filter text is not valid (each problem with its line); nothing was "
        "written"));
    preset_->require_subcommand(1);
    const auto rateCheck = CLI::Range(8000, 384000);

    show_ = preset_->add_subcommand("show",
                                    "print a preset as it is read (the built-in one by default)");
    show_->add_option("PRESET", file_, "preset file");

    check_ = preset_->add_subcommand("check", "report every problem of a preset; exit 65 if any");
    check_->add_option("PRESET", file_, "preset file")->required();
    check_
        ->add_option("--rate", rates_,
                     "sample rate to check against (repeatable; default 44100 and 48000)")
        ->check(rateCheck);

    import_ = preset_->add_subcommand("import",
                                      "REW or AutoEq parametric filters into one equaliser stage");
    import_->add_option("FILTERS", file_, "filter settings text")->required();
    import_->add_option("--stage", stage_, "the stage the filters replace")
        ->check(CLI::IsMember({"PreEQ", "PostEQ", "PostEQ2"}))
        ->required();
    import_->add_option("--into", into_, "preset that gives the other stages (default: built-in)");
    import_->add_option("--rate", importRate_, "rate at which the response is matched exactly")
        ->check(rateCheck);
    import_->add_option("-o,--output", output_, "preset file to write")->required();

    export_ = preset_->add_subcommand("export", "a preset as PipeWire, LV2 or build input");
    export_->add_option("PRESET", file_, "preset file")->required();
    auto* pw = export_->add_option("--pipewire", pipewire_, "filter-chain configuration to write");
    auto* lv2 = export_->add_option("--lv2", lv2_, "LV2 preset bundle folder to write");
    auto* cxx = export_->add_option("--cxx", cxx_, "built-in list source for -DVELTRA_PRESET");
    pw->excludes(lv2)->excludes(cxx);
    lv2->excludes(cxx);
    export_->callback([pw, lv2, cxx] {
        if (pw->count() + lv2->count() + cxx->count() == 0)
            throw CLI::RequiredError("one of --pipewire, --lv2, --cxx");
    });
}

bool PresetCommands::parsed() const {
    return preset_->parsed();
}

int PresetCommands::run() const {
    if (show_->parsed()) return show();
    if (check_->parsed()) return check();
    if (import_->parsed()) return import();
    return exportPreset();
}

int PresetCommands::show() const {
    std::fputs(PresetFile::write(loadPreset(file_)).c_str(), stdout);
    return 0;
}

int PresetCommands::check() const {
    loadPreset(file_, rates_);
    std::printf("%s: valid\n", file_.c_str());
    return 0;
}

int PresetCommands::import() const {
    Tuning tuning = loadPreset(into_, {importRate_});
    const std::optional<std::string> text = files::WholeFile::read(file_);
    if (!text) throw FileError{file_ + ": cannot read the file"};
    PresetProblems problems;
    if (!FilterTextImport::apply(*text, stageIndex(stage_), importRate_, tuning, problems))
        throw PresetError{file_, std::move(problems)};
    writeTextFile(output_, PresetFile::write(tuning));
    return 0;
}

int PresetCommands::exportPreset() const {
    const Tuning tuning = loadPreset(file_);
    const std::string name = std::filesystem::path(file_).stem().string();
    if (!pipewire_.empty())
        writeTextFile(pipewire_, pipewire::FilterChainConfig{tuning, {}}.configurationFile(file_));
    if (!lv2_.empty()) writeFolder(lv2_, lv2PresetBundle(tuning, name));
    if (!cxx_.empty()) writeTextFile(cxx_, builtInSource(tuning, name));
    return 0;
}

}  // namespace veltra::tools
