#pragma once

#include <vector>

namespace veltra::testing {

using Planar = std::vector<std::vector<float>>;

// Planar channels of equal length through anything with the effects' process(in, out, frames)
// entry, into fresh outputs.
template <typename Stage>
Planar through(Stage& stage, Planar in) {
    Planar out(in.size(), std::vector<float>(in.empty() ? 0 : in[0].size()));
    std::vector<float*> ip, op;
    for (std::size_t c = 0; c < in.size(); ++c)
        ip.push_back(in[c].data()), op.push_back(out[c].data());
    stage.process(ip.data(), op.data(), in.empty() ? 0 : int(in[0].size()));
    return out;
}

}  // namespace veltra::testing
