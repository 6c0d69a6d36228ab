// veltradsp: runs the module's speaker and microphone paths over sound files, and reports the
// default equaliser responses.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "effects/kernels/KernelSelection.h"
#include "presets/ValueCheck.h"
#include "tools/AudioReader.h"
#include "tools/AudioWriter.h"
#include "tools/DeviceResponse.h"
#include "tools/ExitCodes.h"
#include "tools/FitCommand.h"
#include "tools/MeasureCommands.h"
#include "tools/OfflineRunner.h"
#include "tools/OutputFile.h"
#include "tools/PipeWireCommands.h"
#include "tools/PresetCommands.h"
#include "tools/ResponseReport.h"

namespace {

using namespace veltra::tools;

constexpr int kExitFailure = codeOf(Exit::kFile);
constexpr int kExitUsage = codeOf(Exit::kUsage);
constexpr int kExitBadData = codeOf(Exit::kBadData);

struct Options {
    std::string input, output, format = "float", enhancement = "on", stage = "all", csv, png;
    std::string preset, compare, measurement, target = "flat", smoothing = "1/6";
    std::size_t hostFrames = 0;
    int rate = 48000, points = 512;
    bool quiet = false;
};

// Peak and RMS of a stream seen in pieces.
class Levels {
  public:
    void add(const float* samples, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const double s = samples[i];
            peak_ = std::max(peak_, std::fabs(s));
            sum_ += s * s;
        }
        count_ += count;
    }
    void print(const char* label) const {
        const double rms = count_ == 0 ? 0.0 : std::sqrt(sum_ / double(count_));
        std::printf("%s peak %.4f rms %.4f", label, peak_, rms);
    }

  private:
    double peak_ = 0.0, sum_ = 0.0;
    std::size_t count_ = 0;
};

// A bar on the terminal for files longer than three seconds.
void showProgress(const Options& o, const AudioReader& in, std::size_t done) {
    if (o.quiet || in.frames() <= 3u * std::size_t(in.sampleRate()) || !::isatty(STDERR_FILENO))
        return;
    const int percent = int(100.0 * double(done) / double(in.frames()));
    std::fprintf(stderr, "\r[%-50s] %3d%%", std::string(std::size_t(percent / 2), '#').c_str(),
                 percent);
    if (done == in.frames()) std::fputc('\n', stderr);
}

OutputFormat parseFormat(const std::string& name) {
    if (name == "pcm16") return OutputFormat::Pcm16;
    if (name == "pcm24") return OutputFormat::Pcm24;
    return OutputFormat::Float;
}

// Reads, processes and writes piece by piece, so memory does not grow with the file; the output
// appears only once all of it is written.
int runFile(const Options& o, bool speaker) {
    const veltra::presets::Tuning tuning = loadPreset(o.preset);
    AudioReader in(o.input);
    // The preset must also make sense at this file's rate.
    if (!o.preset.empty()) loadPreset(o.preset, {in.sampleRate()});
    const std::size_t host =
        o.hostFrames > 0 ? o.hostFrames : std::size_t(std::max(in.sampleRate() / 100, 1));
    const auto runner = speaker
                            ? OfflineRunner::speaker(in.channels(), in.sampleRate(),
                                                     o.enhancement == "on", host, &tuning.blocks())
                            : OfflineRunner::microphone(in.channels(), host);
    if (!runner) throw FileError{o.input + ": the engine refused this stream format"};
    AudioWriter out(o.output, in.channels(), in.sampleRate(), parseFormat(o.format));
    const auto width = static_cast<std::size_t>(in.channels());
    std::vector<float> piece(runner->pieceFrames() * width);
    // The levels are only for the summary: measuring them costs about as much as a stage.
    Levels before, after;
    const bool measure = !o.quiet;
    std::size_t done = 0;
    while (const std::size_t n = in.read(piece.data(), runner->pieceFrames())) {
        if (measure) before.add(piece.data(), n * width);
        runner->process(piece.data(), n);
        if (measure) after.add(piece.data(), n * width);
        out.write(piece.data(), n);
        done += n;
        showProgress(o, in, done);
    }
    out.commit();
    if (!o.quiet) {
        std::printf("%s: %zu frames, %d channels, %d Hz -> %s; ", o.input.c_str(), done,
                    in.channels(), in.sampleRate(), o.output.c_str());
        before.print("in");
        std::printf(", ");
        after.print("out");
        std::printf("\n");
    }
    return 0;
}

// The measured device, the target at its best level and the device with the tuning.
int runDeviceResponse(const Options& o) {
    const auto tuning = loadPreset(o.preset, {o.rate});
    const int smoothing = parseSmoothing(o.smoothing);
    if (smoothing < 0) throw CLI::ValidationError("--smoothing", "expected 1/N, N from 1 to 96");
    const DeviceResponse device(o.measurement, o.target, smoothing);
    ResponseTable table;
    for (double f : device.measured().hz())
        if (f < 0.45 * o.rate) table.frequencies.push_back(f);
    if (table.frequencies.size() < 2)
        throw DataError{o.measurement + ": no measured points below 0.45 of the rate"};
    const auto tuned = device.tuned(tuning, o.enhancement == "on", o.rate, table.frequencies);
    auto target = device.targetAt(table.frequencies);
    double offset = 0.0;
    for (std::size_t i = 0; i < target.size(); ++i) offset += tuned[i] - target[i];
    offset /= double(target.size());
    for (double& v : target) v += offset;
    table.columns = {"measured", "target", "tuned"};
    table.decibels = {device.measured().levelsAt(table.frequencies), target, tuned};
    const std::string csv = toCsv(table);
    if (!o.png.empty()) {
        std::string reason;
        const std::string name = o.preset.empty() ? "the built-in tuning" : o.preset;
        if (!plotPng(table, o.png, o.rate, reason, o.measurement + " with " + name))
            throw FileError{o.png + ": " + reason};
    }
    if (!o.csv.empty()) writeTextFile(o.csv, csv);
    if (o.csv.empty() && o.png.empty()) std::fputs(csv.c_str(), stdout);
    return 0;
}

int runResponse(const Options& o) {
    if (!o.measurement.empty()) return runDeviceResponse(o);
    const auto tuning = loadPreset(o.preset, {o.rate});
    ResponseTable table = computeResponse(o.stage, o.rate, o.points, tuning.blocks());
    if (!o.compare.empty()) {
        const std::string name = std::filesystem::path(o.compare).stem().string();
        appendColumns(table, computeResponse(o.stage, o.rate, o.points,
                                             loadPreset(o.compare, {o.rate}).blocks(), name + ":"));
    }
    if (table.columns.empty()) {
        std::fprintf(stderr, "veltradsp: no equaliser stage named '%s'\n", o.stage.c_str());
        return kExitUsage;
    }
    const std::string csv = toCsv(table);
    if (!o.csv.empty()) {
        writeTextFile(o.csv, csv);
    }
    if (!o.png.empty()) {
        std::string reason;
        if (!plotPng(table, o.png, o.rate, reason)) throw FileError{o.png + ": " + reason};
    }
    if (o.csv.empty() && o.png.empty()) std::fputs(csv.c_str(), stdout);
    return 0;
}

int runTool(int argc, char** argv);

}  // namespace

int main(int argc, char** argv) {
    // The kernels are chosen here as a stream start would, so that a VELTRA_ISA this CPU cannot
    // run is reported once, as a line of its own, before any processing.
    veltra::kernels::KernelSelection::choose();
    if (const char* notice = veltra::kernels::KernelSelection::takeFallbackNotice())
        std::fprintf(stderr, "veltradsp: %s\n", notice);
    try {
        return runTool(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veltradsp: %s\n", e.what());
        return kExitFailure;
    }
}

namespace {

int runTool(int argc, char** argv) {
    CLI::App app{"Runs the VeltraDsp speaker and microphone paths over sound files.", "veltradsp"};
    app.set_version_flag("--version", "veltradsp (VeltraDsp) 0.1.0");
    app.require_subcommand(1);
    Options o;

    auto* speaker = app.add_subcommand("speaker", "process a file through the speaker path");
    auto* mic = app.add_subcommand("mic", "process a file through the microphone path");
    for (auto* sub : {speaker, mic}) {
        sub->add_option("IN", o.input, "input sound file")->required();
        sub->add_option("OUT", o.output, "output WAV file")->required();
        sub->add_option("--host-frames", o.hostFrames, "frames per host buffer (default 10 ms)")
            ->check(CLI::Range(std::size_t{1}, std::size_t{1} << 20));
        sub->add_option("--format", o.format, "output sample format")
            ->check(CLI::IsMember({"float", "pcm16", "pcm24"}));
        sub->add_flag("--quiet", o.quiet, "no progress or summary");
    }
    const std::string fileCodes = ExitCodes::forFiles(
        "the preset or the input file's data is not valid; nothing was written");
    speaker->footer(fileCodes);
    mic->footer(fileCodes);
    speaker->add_option("--enhancement", o.enhancement, "state of the enhancement switch")
        ->check(CLI::IsMember({"on", "off"}));
    speaker->add_option("--preset", o.preset, "tuning to run instead of the built-in one");

    auto* response = app.add_subcommand("response", "magnitude response of a tuning's equalisers");
    response->footer(fileCodes);
    response->add_option("--stage", o.stage, "PreEQ, PostEQ, PostEQ2 or all");
    response->add_option("--rate", o.rate, "sample rate in Hz")->check(CLI::Range(8000, 384000));
    response->add_option("--points", o.points, "number of frequencies")
        ->check(CLI::Range(2, 100000));
    response->add_option("--csv", o.csv, "write the table to this CSV file");
    response->add_option("--png", o.png, "plot the responses to this PNG file");
    response->add_option("--preset", o.preset, "the tuning whose equalisers are shown");
    response->add_option("--compare", o.compare, "a second tuning shown beside it");
    response->add_option("--measurement", o.measurement,
                         "a measured response: show it, the target and it with the tuning");
    response->add_option("--target", o.target, "with --measurement: flat or a target curve file");
    response->add_option("--smoothing", o.smoothing,
                         "with --measurement: 1/N octave (default 1/6)");
    response->add_option("--enhancement", o.enhancement, "with --measurement: the switch's state")
        ->check(CLI::IsMember({"on", "off"}));
    const PresetCommands presets(app);
    const PipeWireCommands pipewire(app);
    const MeasureCommands measure(app);
    const FitCommand fit(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return e.get_exit_code() == 0 ? code : kExitUsage;
    }
    try {
        if (speaker->parsed()) return runFile(o, true);
        if (mic->parsed()) return runFile(o, false);
        if (presets.parsed()) return presets.run();
        if (pipewire.parsed()) return pipewire.run();
        if (measure.parsed()) return measure.run();
        if (fit.parsed()) return fit.run();
        return runResponse(o);
    } catch (const CLI::ValidationError& e) {
        std::fprintf(stderr, "veltradsp: %s\n", e.what());
        return kExitUsage;
    } catch (const DataError& e) {
        std::fprintf(stderr, "veltradsp: %s\n", e.message.c_str());
        return kExitBadData;
    } catch (const veltra::measure::ResponseCurve::ReadError& e) {
        std::fprintf(stderr, "veltradsp: %s\n", e.message.c_str());
        return kExitBadData;
    } catch (const PresetError& e) {
        for (const auto& problem : e.problems)
            std::fprintf(stderr, "%s\n", veltra::presets::describe(e.file, problem).c_str());
        return kExitBadData;
    } catch (const FileError& e) {
        std::fprintf(stderr, "veltradsp: %s\n", e.message.c_str());
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "veltradsp: %s: not enough memory\n", o.input.c_str());
        return kExitFailure;
    }
}

}  // namespace
