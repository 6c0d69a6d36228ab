// Any text as a measurement, target or calibration file. A refusal must name the file; what is
// accepted must be at least two rows of finite levels at rising, positive frequencies, which the
// fit then smooths and interpolates.
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "measure/ResponseCurve.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using veltra::measure::ResponseCurve;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const ResponseCurve curve = ResponseCurve::parse(text, "in.txt");
        if (curve.size() < 2) std::abort();
        for (std::size_t i = 0; i < curve.size(); ++i) {
            if (!(curve.hz()[i] > 0) || !std::isfinite(curve.db()[i])) std::abort();
            if (i > 0 && !(curve.hz()[i] > curve.hz()[i - 1])) std::abort();
        }
        if (!curve.degrees().empty() && curve.degrees().size() != curve.size()) std::abort();
        if (curve.size() > 4096) return 0;  // smoothing is quadratic in the worst case
        const ResponseCurve smooth = curve.smoothed(6);
        for (double v : smooth.db())
            if (std::isnan(v)) std::abort();
        if (std::isnan(curve.levelAt(1000.0))) std::abort();
        const ResponseCurve less = curve.minus(smooth);
        if (less.size() != curve.size()) std::abort();
    } catch (const ResponseCurve::ReadError& e) {
        if (e.message.rfind("in.txt", 0) != 0) std::abort();
    }
    return 0;
}
