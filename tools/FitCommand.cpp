#include "tools/FitCommand.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "fit/EqualiserFit.h"
#include "presets/PresetFile.h"
#include "tools/AudioFile.h"
#include "tools/DeviceResponse.h"
#include "tools/ExitCodes.h"
#include "tools/MeasureCommands.h"
#include "tools/OutputFile.h"
#include "tools/PresetCommands.h"
#include "tools/Printed.h"
#include "tools/ResponseReport.h"

namespace veltra::tools {

using fit::EqualiserFit;
using fit::Section;
using presets::Tuning;

namespace {

constexpr int kFitPointsPerOctave = 24;
constexpr int kMinimumPoints = 8;  // measured points within the range
const double kInsideRollOff = std::exp2(1.0 / 3.0);
// How far below its half-octave smoothing the measurement may lie before a dip counts as narrow.
constexpr double kDipDb = 2.0;

void parseRange(const std::string& range, double& low, double& high) {
    char rest = 0;
    if (std::sscanf(range.c_str(), "%lf-%lf%c", &low, &high, &rest) != 2 || !(low > 0.0) ||
        !(high > low * 1.5))
        throw CLI::ValidationError("--range", "expected LO-HI in Hz, HI at least 1.5 times LO");
}

const char* typeName(int code) {
    const presets::FilterType* t = presets::filterTypeForCode(float(code));
    return t != nullptr ? t->name : "none";
}

// Band `band` of a stage as a section, through the band fields (type, freq_hz, gain_db, q).
Section bandOf(const Tuning& tuning, int stage, int band) {
    double values[presets::kBandWords] = {};
    for (const presets::Field& f : presets::bandFields())
        values[f.word] = tuning.value({stage, band, &f});
    return {static_cast<int>(values[3]), values[0], values[1], values[2]};
}

void setBand(Tuning& tuning, int stage, int band, const Section& s) {
    const double values[presets::kBandWords] = {s.hz, s.gainDb, s.q, double(s.type)};
    for (const presets::Field& f : presets::bandFields())
        tuning.set({stage, band, &f}, static_cast<float>(values[f.word]));
}

const presets::Parameter& headroomGain() {
    static const presets::Parameter p{0, -1, &presets::stages()[0].fields[1]};
    return p;
}

}  // namespace

FitCommand::FitCommand(CLI::App& app) {
    fit_ = app.add_subcommand("fit", "design an equaliser stage from a measured response");
    fit_->add_option("RESPONSE", measurement_,
                     "measured response: REW text, AutoEq CSV, two columns")
        ->required();
    fit_->add_option("--target", target_, "flat, or a target curve file (default flat)");
    fit_->add_option("--stage", stage_, "the stage to design (default PreEQ)")
        ->check(CLI::IsMember({"PreEQ", "PostEQ2"}));
    fit_->add_option("--sections", sections_, "sections to use, 1 to 16 (default all free ones)")
        ->check(CLI::Range(1, 16));
    fit_->add_option("--range", range_, "LO-HI: the band to fit in Hz (default 60-16000)");
    fit_->add_option("--max-boost-db", maxBoostDb_,
                     "largest boost, per section and in all (default 6)")
        ->check(CLI::Range(0.0, 20.0));
    fit_->add_option("--smoothing", smoothing_,
                     "1/N octave smoothing of the measurement (default 1/6)");
    fit_->add_option("--into", into_, "the preset to start from (default: the built-in tuning)");
    fit_->add_option("--enhancement", enhancement_, "the enhancement switch while listening")
        ->check(CLI::IsMember({"on", "off"}));
    fit_->add_option("--rate", rate_, "sample rate the device runs at (default 48000)")
        ->check(CLI::Range(8000, 384000));
    fit_->add_option("-o,--output", output_, "the preset to write")->required();
    fit_->add_option("--csv", csv_, "write measured, target, before, after and the stage (CSV)");
    fit_->add_option("--png", png_, "plot them to this PNG file");
    fit_->footer(ExitCodes::forFiles(
        "a file is ill-formed or the range does not fit the measurement; nothing was written"));
}

bool FitCommand::parsed() const {
    return fit_->parsed();
}

int FitCommand::run() const {
    const auto began = std::chrono::steady_clock::now();
    double low = 0.0, high = 0.0;
    parseRange(range_, low, high);
    const int smoothing = parseSmoothing(smoothing_);
    if (smoothing < 0) throw CLI::ValidationError("--smoothing", "expected 1/N, N from 1 to 96");
    if (high >= 0.45 * rate_)
        throw CLI::ValidationError("--range", "must end below 0.45 of the rate");
    const Tuning base = loadPreset(into_, {rate_});
    const DeviceResponse device(measurement_, target_, smoothing);
    const measure::ResponseCurve& measured = device.measured();
    if (low < measured.lowest() * 0.999 || high > measured.highest() * 1.001)
        throw DataError{measurement_ +
                        printed(": the range %g-%g Hz is not within the measurement ", low, high) +
                        printed("(%g-%g Hz)", measured.lowest(), measured.highest())};
    std::size_t inside = 0;
    for (double f : measured.hz()) inside += f >= low && f <= high ? 1 : 0;
    if (inside < kMinimumPoints)
        throw DataError{measurement_ +
                        printed(": %zu measured points within %g-%g Hz, ", inside, low, high) +
                        printed("at least %d are needed", kMinimumPoints)};
    const bool enhancement = enhancement_ == "on";
    const int stage = presets::stageIndex(stage_);

    // The device with every other stage of the preset in place and this one flat but for its
    // pass filters. Dips narrower than about half an octave are filled in: they move with the
    // microphone, and boosting them costs headroom for nothing.
    Tuning flat = base;
    flat.clearBands(stage);
    std::vector<Section> kept;
    for (int b = 0; b < presets::kMaxBands; ++b) {
        const Section s = bandOf(base, stage, b);
        // High- and low-pass sections protect the speaker: a fit keeps them where they are.
        if (sectionIsPassFilter(s.type))
            setBand(flat, stage, static_cast<int>(kept.size()), s), kept.push_back(s);
    }
    const auto whole =
        DeviceResponse::grid(std::max(measured.lowest(), 10.0),
                             std::min(measured.highest(), 0.45 * rate_), kFitPointsPerOctave);
    std::vector<double> filled = device.tuned(flat, enhancement, rate_, whole);
    const measure::ResponseCurve wide = measure::ResponseCurve(whole, filled).smoothed(2);
    for (std::size_t i = 0; i < filled.size(); ++i)
        filled[i] = std::max(filled[i], wide.db()[i] - kDipDb);
    const std::vector<double> wholeTarget = device.targetAt(whole);

    fit::FitProblem problem;
    EqualiserFit::rollOffs(whole, filled, wholeTarget, low, high, problem.lowRollOffHz,
                           problem.highRollOffHz);
    // Right at a roll-off the device falls faster than any section may follow without boosting
    // beyond it: the fit starts a third of an octave inside.
    const bool lowEnd = problem.lowRollOffHz > whole.front(),
               highEnd = problem.highRollOffHz < whole.back();
    const double fitLow = std::max(low, problem.lowRollOffHz * (lowEnd ? kInsideRollOff : 1.0));
    const double fitHigh = std::min(high, problem.highRollOffHz / (highEnd ? kInsideRollOff : 1.0));
    // A grid of its own, so that the band's ends are fitted as well as its middle.
    if (fitHigh > fitLow) {
        const measure::ResponseCurve filledCurve(whole, filled);
        problem.hz = DeviceResponse::grid(fitLow, fitHigh, kFitPointsPerOctave);
        for (double f : problem.hz) problem.device.push_back(filledCurve.levelAt(f));
        problem.target = device.targetAt(problem.hz);
        problem.checkHz = DeviceResponse::grid(fitLow, fitHigh, 4 * kFitPointsPerOctave);
        for (double f : problem.checkHz) problem.checkDevice.push_back(filledCurve.levelAt(f));
        problem.checkTarget = device.targetAt(problem.checkHz);
    }
    if (problem.hz.size() < kMinimumPoints)
        throw DataError{measurement_ +
                        printed(": the speaker's roll-offs (%.0f and %.0f Hz) leave too little of ",
                                problem.lowRollOffHz, problem.highRollOffHz) +
                        printed("%g-%g Hz to fit", low, high)};
    // Without a high roll-off in the measurement, treble may be boosted to the top: it moves
    // no cone far. Bass is never boosted below the lowest frequency measured.
    if (!highEnd) problem.highRollOffHz = 1e9;
    problem.guardHz =
        DeviceResponse::grid(10.0, std::min(24000.0, 0.45 * rate_), kFitPointsPerOctave);
    problem.rate = rate_;
    const int free = presets::kMaxBands - static_cast<int>(kept.size());
    problem.sections = std::min(sections_, free);
    problem.maxBoostDb = maxBoostDb_;
    const fit::FitResult fitted = EqualiserFit::run(problem);

    Tuning tuned = flat;
    for (std::size_t b = 0; b < fitted.sections.size(); ++b)
        setBand(tuned, stage, static_cast<int>(kept.size() + b), fitted.sections[b]);
    const float headroomBefore = base.value(headroomGain());
    const float headroomAfter =
        std::max(headroomBefore - float(fitted.largestBoostDb), headroomGain().field->minimum);
    tuned.set(headroomGain(), headroomAfter);

    // Before and after as the whole path plays them, over the band fitted.
    // Each tuning's path is run through the engine once and read on both grids.
    const ChainResponse basePath(base, enhancement, rate_), tunedPath(tuned, enhancement, rate_);
    const std::vector<double> before = device.tuned(basePath, problem.hz);
    const std::vector<double> after = device.tuned(tunedPath, problem.hz);
    double offsetBefore = 0, rmsBefore = 0, maxBefore = 0, offset = 0, rms = 0, largest = 0;
    EqualiserFit::deviation(before, problem.target, offsetBefore, rmsBefore, maxBefore);
    EqualiserFit::deviation(after, problem.target, offset, rms, largest);

    std::string report = "fit " + stage_ + " of " +
                         (into_.empty() ? "the built-in tuning" : into_) + " to " +
                         (target_ == "flat" ? "a flat target" : target_) +
                         printed(" over %g-%g Hz at %d Hz\n", low, high, rate_);
    report += printed("speaker roll-offs: %.0f Hz", problem.lowRollOffHz) +
              (highEnd ? printed(" and %.0f Hz", problem.highRollOffHz)
                       : std::string(", none at the top")) +
              printed(" (no boost beyond); fitted over %.0f-%.0f Hz\n", fitLow, fitHigh);
    report += printed("deviation from the target before: rms %.2f dB, largest %.2f dB\n", rmsBefore,
                      maxBefore);
    report += printed(
        "deviation from the target after:  rms %.2f dB, largest %.2f dB (target placed at %+.2f "
        "dB)\n",
        rms, largest, offset);
    report += printed("largest boost of the stage %+.2f dB: headroom gain %.2f dB -> %.2f dB\n",
                      fitted.largestBoostDb, headroomBefore, headroomAfter);
    if (sections_ > free)
        report += printed("only %d sections are free beside the pass filters kept\n", free);
    for (const Section& s : kept)
        report +=
            std::string("  kept ") + typeName(s.type) + printed(" %.1f Hz Q %.3f\n", s.hz, s.q);
    report += std::to_string(fitted.sections.size()) + " sections fitted:\n";
    for (std::size_t b = 0; b < fitted.sections.size(); ++b) {
        const Section& s = fitted.sections[b];
        report += printed("  %2zu ", b + 1) + typeName(s.type) +
                  printed(" %.1f Hz %+.2f dB Q %.3f\n", s.hz, s.gainDb, s.q);
    }

    std::string preset = "# Fitted by veltradsp fit from " + measurement_ + "\n";
    for (std::size_t at = 0, next; at < report.size(); at = next + 1) {
        next = report.find('\n', at);
        preset += "# " + report.substr(at, next - at) + "\n";
    }
    preset += presets::PresetFile::write(tuned);

    ResponseTable table;
    // The whole range asked for, the roll-offs' regions too.
    table.frequencies = DeviceResponse::grid(low, high, kFitPointsPerOctave);
    table.columns = {"measured", "target", "before", "after", stage_};
    std::vector<double> placed = device.targetAt(table.frequencies);
    for (double& v : placed) v += offset;
    table.decibels = {measured.levelsAt(table.frequencies), placed,
                      device.tuned(basePath, table.frequencies),
                      device.tuned(tunedPath, table.frequencies),
                      EqualiserFit::stageDb(fitted.sections, rate_, table.frequencies)};
    if (!png_.empty()) {
        // Drawn with the target at its own level, so that the stage shares the scale.
        ResponseTable shown = table;
        for (std::size_t c = 0; c < 4; ++c)
            for (double& v : shown.decibels[c]) v -= offset;
        std::string reason;
        if (!plotPng(shown, png_, rate_, reason, "VeltraDsp fit: " + measurement_))
            throw FileError{png_ + ": " + reason};
    }
    if (!csv_.empty()) writeTextFile(csv_, toCsv(table));
    writeTextFile(output_, preset);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::fputs(report.c_str(), stdout);
    std::printf("wrote %s in %.2f s\n", output_.c_str(), seconds);
    return 0;
}

}  // namespace veltra::tools
