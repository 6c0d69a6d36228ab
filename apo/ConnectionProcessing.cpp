#include "apo/ConnectionProcessing.h"

#include <cstring>

#include "apo/platform/FlushDenormals.h"
#include "apo/platform/Sections.h"

namespace veltra::apo {

VELTRA_RT_CODE void processConnection(const APO_CONNECTION_PROPERTY& in,
                                      APO_CONNECTION_PROPERTY* out, UINT32 outputCount,
                                      UINT32 channels, bool rawMode, EngineStep step,
                                      void* context) {
    if (in.u32BufferFlags != BUFFER_VALID && in.u32BufferFlags != BUFFER_SILENT) return;
    auto* buffer = reinterpret_cast<float*>(in.pBuffer);  // NOLINT(performance-no-int-to-ptr)
    const std::size_t bytes =
        static_cast<std::size_t>(in.u32ValidFrameCount) * channels * sizeof(float);
    if (buffer != nullptr && in.u32BufferFlags == BUFFER_SILENT) std::memset(buffer, 0, bytes);
    if (buffer != nullptr && !rawMode && channels > 1 && step != nullptr) {
        const ScopedFlushDenormals flush;
        step(context, buffer, in.u32ValidFrameCount);
    }
    if (outputCount == 0 || out == nullptr) return;
    if (out->pBuffer != in.pBuffer && buffer != nullptr && out->pBuffer != 0) {
        std::memcpy(reinterpret_cast<void*>(out->pBuffer), buffer,
                    bytes);  // NOLINT(performance-no-int-to-ptr)
    }
    out->u32BufferFlags = in.u32BufferFlags;
    out->u32ValidFrameCount = in.u32ValidFrameCount;
}

}  // namespace veltra::apo
