#include "tools/AudioReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/AudioFile.h"

namespace veltra::tools {

namespace {

// libsndfile reads a cut-off file as far as it goes and only notes the shortfall in its log, as
// "data : <declared> (should be <actual>)"; a file like that is refused rather than half used.
bool truncated(SNDFILE* file) {
    char log[8192] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log - 1);
    for (const char* line = log; *line != '\0';) {
        const char* end = std::strchr(line, '\n');
        const std::string text(line, end != nullptr ? std::size_t(end - line) : std::strlen(line));
        if (text.rfind("data", 0) == 0 && text.find("should be") != std::string::npos) return true;
        if (end == nullptr) break;
        line = end + 1;
    }
    return false;
}

const char* const kTruncated =
    "the file is truncated: its header promises more audio than it holds";

}  // namespace

AudioReader::AudioReader(const std::string& path) : name_(path) {
    file_ = sf_open(path.c_str(), SFM_READ, &info_);
    validate();
}

AudioReader::AudioReader(const void* bytes, std::size_t size, const std::string& name)
    : name_(name) {
    memory_.bytes = static_cast<const unsigned char*>(bytes);
    memory_.size = static_cast<sf_count_t>(size);
    SF_VIRTUAL_IO calls = memoryCalls();
    file_ = sf_open_virtual(&calls, SFM_READ, &info_, &memory_);
    validate();
}

AudioReader::~AudioReader() {
    if (file_ != nullptr) sf_close(file_);
}

void AudioReader::validate() {
    if (file_ == nullptr) throw FileError{name_ + ": cannot read: " + sf_strerror(nullptr)};
    std::string problem;
    if (truncated(file_)) {
        problem = kTruncated;
    } else if (info_.channels <= 0) {
        problem = "the file has no channels";
    } else if (info_.channels > kMaxChannels) {
        problem = std::to_string(info_.channels) + " channels; at most " +
                  std::to_string(kMaxChannels) + " are supported";
    } else if (info_.samplerate <= 0) {
        problem = "the file has no valid sample rate";
    } else if (info_.frames < 0) {
        problem = "the file declares a negative length";
    }
    if (!problem.empty()) {
        sf_close(file_);
        file_ = nullptr;
        throw FileError{name_ + ": " + problem};
    }
}

std::string AudioReader::comment() const {
    const char* text = sf_get_string(file_, SF_STR_COMMENT);
    return text != nullptr ? text : "";
}

std::size_t AudioReader::read(float* out, std::size_t frames) {
    const auto want = static_cast<sf_count_t>(std::min(frames, this->frames() - done_));
    if (want == 0) return 0;
    const sf_count_t got = sf_readf_float(file_, out, want);
    if (got <= 0) {
        // Still short of the declared length: the data was cut off or could not be read.
        throw FileError{name_ + ": " +
                        (sf_error(file_) != SF_ERR_NO_ERROR
                             ? std::string("read failed: ") + sf_strerror(file_)
                             : std::string(kTruncated))};
    }
    done_ += static_cast<std::size_t>(got);
    return static_cast<std::size_t>(got);
}

SF_VIRTUAL_IO AudioReader::memoryCalls() {
    SF_VIRTUAL_IO calls{};
    calls.get_filelen = [](void* user) { return static_cast<Memory*>(user)->size; };
    calls.seek = [](sf_count_t offset, int whence, void* user) {
        auto* m = static_cast<Memory*>(user);
        const sf_count_t base = whence == SEEK_CUR ? m->at : whence == SEEK_END ? m->size : 0;
        // Seeking past the end is allowed, as for a file; reads there return nothing.
        if (offset < -base) return sf_count_t{-1};
        m->at = base + offset;
        return m->at;
    };
    calls.read = [](void* to, sf_count_t count, void* user) {
        auto* m = static_cast<Memory*>(user);
        const sf_count_t n = std::max<sf_count_t>(0, std::min(count, m->size - m->at));
        if (n > 0) std::memcpy(to, m->bytes + m->at, static_cast<std::size_t>(n));
        m->at += n;
        return n;
    };
    calls.write = [](const void*, sf_count_t, void*) { return sf_count_t{0}; };
    calls.tell = [](void* user) { return static_cast<Memory*>(user)->at; };
    return calls;
}

}  // namespace veltra::tools
