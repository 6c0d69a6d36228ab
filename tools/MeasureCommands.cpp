#include "tools/MeasureCommands.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "measure/SweepAnalysis.h"
#include "pipewire/SinkList.h"
#include "tools/AudioReader.h"
#include "tools/AudioWriter.h"
#include "tools/ExitCodes.h"
#include "tools/OutputFile.h"
#include "tools/Printed.h"
#include "tools/SweepPlayer.h"

namespace veltra::tools {

using measure::ResponseCurve;
using measure::SweepAnalysis;
using measure::SweepSignal;
using measure::SweepSpec;

namespace {

constexpr double kQuietDbfs = -50.0;
constexpr const char* kVersion = "veltradsp 0.1.0";

void addSweepOptions(CLI::App* app, SweepSpec& spec) {
    app->add_option("--rate", spec.rate, "sample rate in Hz (default 48000)");
    app->add_option("--from", spec.fromHz, "start frequency in Hz (default 20)");
    app->add_option("--to", spec.toHz, "end frequency in Hz (default 20000)");
    app->add_option("--seconds", spec.seconds, "length of the sweep (default 5)");
    app->add_option("--level-db", spec.levelDb, "peak level in dBFS (default -12)");
}

void addAnalysisOptions(CLI::App* app, std::string& output, int& channel, std::string& cal,
                        std::string& ir, std::string& distortion, std::string& smoothing) {
    app->add_option("-o,--output", output, "the response, as REW measurement text")->required();
    app->add_option("--channel", channel, "the recording's channel to analyse (from 1)")
        ->check(CLI::Range(1, 64));
    app->add_option("--cal", cal, "microphone calibration file, subtracted");
    app->add_option("--ir", ir, "write the windowed impulse response to this WAV file");
    app->add_option("--distortion", distortion, "write 2nd and 3rd harmonic distortion (CSV)");
    app->add_option("--smoothing", smoothing,
                    "1/N octave smoothing of the magnitude (default none)");
}

SweepSignal sweepOf(const SweepSpec& spec) {
    if (const std::string problem = spec.problem(); !problem.empty())
        throw CLI::ValidationError("sweep", problem);
    return SweepSignal(spec);
}

// The sweep a file holds, regenerated from its description and checked against its samples.
SweepSignal readSweep(const std::string& path) {
    AudioReader in(path);
    const auto spec = SweepSignal::parseDescription(in.comment());
    if (!spec) throw DataError{path + ": not a sweep written by veltradsp measure sweep"};
    const SweepSignal sweep(*spec);
    const std::vector<float> expected = sweep.samples();
    if (in.sampleRate() != spec->rate || in.frames() != expected.size())
        throw DataError{path + ": its length or rate differs from what its description states"};
    std::vector<float> frame(static_cast<std::size_t>(in.channels()));
    for (float want : expected) {
        in.read(frame.data(), 1);
        if (std::fabs(frame[0] - want) > 1e-6f)
            throw DataError{path + ": its samples differ from the sweep its description states"};
    }
    return sweep;
}

// One channel of a recording, as much of it as the analysis can use.
std::vector<float> readChannel(const std::string& path, int channel, const SweepSignal& sweep) {
    AudioReader in(path);
    if (in.sampleRate() != sweep.spec().rate)
        throw DataError{path + ": recorded at " + std::to_string(in.sampleRate()) +
                        " Hz, but the sweep is at " + std::to_string(sweep.spec().rate) + " Hz"};
    if (channel > in.channels())
        throw DataError{path + ": has " + std::to_string(in.channels()) +
                        " channel(s), no channel " + std::to_string(channel)};
    const std::size_t wanted =
        sweep.totalFrames() + std::size_t(SweepAnalysis::kMaxLatencySeconds * sweep.spec().rate);
    const auto width = static_cast<std::size_t>(in.channels());
    std::vector<float> piece(4096 * width), out;
    while (out.size() < wanted) {
        const std::size_t n = in.read(piece.data(), 4096);
        if (n == 0) break;
        for (std::size_t i = 0; i < n; ++i)
            out.push_back(piece[i * width + std::size_t(channel - 1)]);
    }
    return out;
}

std::string harmonicsCsv(const SweepAnalysis::Result& r) {
    std::string out = "frequency_hz,h2_db,h3_db\n";
    const ResponseCurve& h2 = r.secondHarmonic;
    const ResponseCurve& h3 = r.thirdHarmonic;
    for (std::size_t i = 0; i < h2.size(); ++i) {
        out += printed("%.3f,%.2f,", h2.hz()[i], h2.db()[i]);
        if (i < h3.size()) out += printed("%.2f", h3.db()[i]);
        out += "\n";
    }
    return out;
}

// The sweep on both channels of a float WAV, described in its header when `described`.
void writeSweep(const std::string& path, const SweepSignal& sweep, bool described) {
    const std::vector<float> mono = sweep.samples();
    std::vector<float> stereo(2 * mono.size());
    for (std::size_t i = 0; i < mono.size(); ++i) stereo[2 * i] = stereo[2 * i + 1] = mono[i];
    AudioWriter out(path, 2, sweep.spec().rate, OutputFormat::Float);
    if (described) out.setComment(sweep.description());
    out.write(stereo.data(), mono.size());
    out.commit();
}

}  // namespace

int parseSmoothing(const std::string& text) {
    if (text.empty() || text == "none") return 0;
    int n = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "1/%d%c", &n, &rest) != 1 || n < 1 || n > 96) return -1;
    return n;
}

MeasureCommands::MeasureCommands(CLI::App& app) {
    measure_ = app.add_subcommand("measure", "measure a speaker with a sine sweep");
    measure_->require_subcommand(1);
    measure_->footer(ExitCodes::forFiles(
        "the recording or a file cannot be measured, or a device does not exist (it says "
        "why); nothing was written"));
    sweep_ = measure_->add_subcommand("sweep", "write a logarithmic sine sweep to play");
    sweep_->add_option("OUT", output_, "the sweep, a stereo WAV file")->required();
    addSweepOptions(sweep_, spec_);

    analyse_ = measure_->add_subcommand("analyse", "the response a recording of the sweep holds");
    analyse_->add_option("RECORDING", recording_, "what the microphone recorded")->required();
    analyse_->add_option("--sweep", sweepFile_, "the sweep that was played")->required();
    addAnalysisOptions(analyse_, output_, channel_, calibration_, impulse_, distortion_,
                       smoothing_);

    run_ =
        measure_->add_subcommand("run", "play the sweep and record it in PipeWire, then analyse");
    run_->add_option("--sink", sink_, "the output device to measure (its node name)")->required();
    run_->add_option("--source", source_, "the microphone (a source, or a sink's monitor)")
        ->required();
    run_->add_flag("--through", through_, "play through the device's VeltraDsp sink");
    run_->add_option("--recording", keep_, "keep the recording in this WAV file");
    run_->add_flag("--quiet", quiet_, "no progress");
    addSweepOptions(run_, spec_);
    addAnalysisOptions(run_, output_, channel_, calibration_, impulse_, distortion_, smoothing_);
}

bool MeasureCommands::parsed() const {
    return measure_->parsed();
}

int MeasureCommands::run() const {
    if (parseSmoothing(smoothing_) < 0)
        throw CLI::ValidationError("--smoothing", "expected 1/N with N from 1 to 96, or none");
    try {
        if (sweep_->parsed()) return sweep();
        if (analyse_->parsed()) return analyse();
        return live();
    } catch (const DataError& e) {
        std::fprintf(stderr, "veltradsp: %s\n", e.message.c_str());
        return codeOf(Exit::kBadData);
    } catch (const measure::AnalysisError& e) {
        std::fprintf(stderr, "veltradsp: %s: %s\n",
                     analyse_->parsed() ? recording_.c_str() : "measure run", e.message.c_str());
        return codeOf(Exit::kBadData);
    } catch (const ResponseCurve::ReadError& e) {
        std::fprintf(stderr, "veltradsp: %s\n", e.message.c_str());
        return codeOf(Exit::kBadData);
    }
}

int MeasureCommands::sweep() const {
    const SweepSignal sweep = sweepOf(spec_);
    writeSweep(output_, sweep, true);
    std::printf("%s: sweep %g to %g Hz in %.3f s at %g dBFS, %d Hz, %.2f s in all\n",
                output_.c_str(), spec_.fromHz, spec_.toHz, sweep.sweepSeconds(), spec_.levelDb,
                spec_.rate, double(sweep.totalFrames()) / spec_.rate);
    return 0;
}

int MeasureCommands::analyse() const {
    const SweepSignal sweep = readSweep(sweepFile_);
    analyseAndWrite(sweep, readChannel(recording_, channel_, sweep),
                    recording_ + ", channel " + std::to_string(channel_));
    return 0;
}

void MeasureCommands::analyseAndWrite(const SweepSignal& sweep, const std::vector<float>& recording,
                                      const std::string& source) const {
    // Every input is read and checked before anything is written.
    std::optional<ResponseCurve> calibration;
    if (!calibration_.empty()) calibration = ResponseCurve::read(calibration_);
    const SweepAnalysis::Result result = SweepAnalysis::analyse(sweep, recording);
    const int smoothing = parseSmoothing(smoothing_);
    ResponseCurve response = result.response;
    if (calibration) response = response.minus(*calibration);
    response = response.smoothed(smoothing);
    const SweepSpec& s = sweep.spec();
    const std::vector<std::string> comments = {
        std::string("Measurement data measured by ") + kVersion,
        "Source: " + source,
        printed("Format: log swept sine %g to %g Hz, ", s.fromHz, s.toHz) +
            printed("%.3f s at %g dBFS, ", sweep.sweepSeconds(), s.levelDb) +
            std::to_string(s.rate) + " Hz",
        std::to_string(result.latencyFrames) + " samples latency" +
            printed(" (%.3f ms)", 1000.0 * double(result.latencyFrames) / s.rate),
        printed("Recorded peak: %.2f dBFS", result.peakDbfs),
        printed("Window: %.1f ms before and %.1f ms after the peak, Tukey %.2f",
                1000.0 * double(result.impulsePeak) / s.rate,
                1000.0 * double(result.impulse.size() - result.impulsePeak - 1) / s.rate,
                SweepAnalysis::kTaper),
        "Calibration: " + (calibration_.empty() ? std::string("none") : calibration_),
        "Smoothing: " +
            (smoothing == 0 ? std::string("none") : "1/" + std::to_string(smoothing) + " octave"),
    };
    if (!impulse_.empty()) {
        AudioWriter ir(impulse_, 1, s.rate, OutputFormat::Float);
        ir.write(result.impulse.data(), result.impulse.size());
        ir.commit();
    }
    if (!distortion_.empty()) writeTextFile(distortion_, harmonicsCsv(result));
    writeTextFile(output_, response.toRewText(comments));
    std::printf("%s: latency %zu samples (%.2f ms), recorded peak %.1f dBFS, %zu points %g-%g Hz\n",
                output_.c_str(), result.latencyFrames,
                1000.0 * double(result.latencyFrames) / s.rate, result.peakDbfs, response.size(),
                response.lowest(), response.highest());
}

int MeasureCommands::live() const {
    const SweepSignal sweep = sweepOf(spec_);
    std::optional<ResponseCurve> calibration;
    if (!calibration_.empty()) calibration = ResponseCurve::read(calibration_);
    const auto nodes = pipewire::SinkList::query();
    if (!nodes) throw DataError{"PipeWire cannot be reached (pw-dump failed)"};
    if (!nodes->has(sink_))
        throw DataError{"no output device named '" + sink_ + "' (veltradsp pipewire list)"};
    if (!nodes->has(source_) && !nodes->hasSource(source_))
        throw DataError{"no input device or sink named '" + source_ + "'"};
    if (through_ && !nodes->running(sink_))
        throw DataError{sink_ + " has no running VeltraDsp sink (veltradsp pipewire attach --now)"};
    SweepPlayer::Devices devices{through_ ? "veltradsp_speaker" : sink_, source_,
                                 nodes->has(source_)};

    // The sweep and the recording live in a folder of their own until the analysis is done.
    // mkdtemp replaces the six trailing X with a name of its own.
    std::string folder = "/tmp/veltradsp-measure.";
    folder.append(6, 'X');
    if (mkdtemp(folder.data()) == nullptr) throw FileError{"cannot create a temporary folder"};
    const std::string sweepPath = folder + "/sweep.wav";
    const std::string recordingPath = folder + "/recording.wav";
    struct Cleanup {
        std::string folder;
        ~Cleanup() {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    } cleanup{folder};
    writeSweep(sweepPath, sweep, false);
    SweepPlayer::playAndRecord(devices, sweepPath, double(sweep.totalFrames()) / spec_.rate,
                               spec_.rate, std::max(channel_, 2), recordingPath, quiet_);
    // Kept whatever the analysis finds: it is complete, and it shows what went wrong.
    if (!keep_.empty())
        std::filesystem::copy_file(recordingPath, keep_,
                                   std::filesystem::copy_options::overwrite_existing);
    const std::vector<float> recording = readChannel(recordingPath, channel_, sweep);
    const double peak = SweepAnalysis::peakDbfs(recording);
    std::printf("recorded peak level %.1f dBFS\n", peak);
    if (peak < kQuietDbfs)
        throw DataError{
            printed("the recording is too quiet: its peak is %.1f dBFS, at least %.0f "
                    "dBFS is needed (turn the device up or the microphone closer)",
                    peak, kQuietDbfs)};
    analyseAndWrite(sweep, recording,
                    source_ + " (" + std::to_string(channel_) + ") from " + devices.sink);
    return 0;
}

}  // namespace veltra::tools
