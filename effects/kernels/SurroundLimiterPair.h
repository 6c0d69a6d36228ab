#pragma once

#include <emmintrin.h>

#include "effects/kernels/SurroundLimiterLaw.h"

namespace veltra::kernels {
// Included by the SSE2 and AVX2 kernel files; internal linkage for the reason WidenerMix.h gives.
namespace {

// The widener's limiter on both channels at once, one channel in each of a register's two low
// lanes. Under noise or music the level crosses the threshold on no pattern a branch predictor
// can learn, and each mispredicted attack cost more than the law itself; here both the attack
// and the release are computed and the mask of the comparison picks one, so no step branches.
// The operations and their order are SurroundLimiterStep's, lane by lane.
class SurroundLimiterPair {
  public:
    SurroundLimiterPair(SurroundLimiterChannel& left, SurroundLimiterChannel& right)
        : left_(left),
          right_(right),
          preGain_(pair(left.preGain, right.preGain)),
          threshold_(pair(left.threshold, right.threshold)),
          attack_(pair(left.attack, right.attack)),
          release_(pair(left.release, right.release)),
          keep_(pair(1.0f - left.release, 1.0f - right.release)),
          inverseFloor_(pair(left.inverseFloor, right.inverseFloor)),
          holdLength_(_mm_setr_epi32(static_cast<int>(left.holdLength),
                                     static_cast<int>(right.holdLength), 0, 0)) {}

    // Whether the two channels' delay lines move together, as SurroundLimiter keeps them.
    static bool inStep(const SurroundLimiterChannel& left, const SurroundLimiterChannel& right) {
        return left.readPosition == right.readPosition && left.writePosition == right.writePosition;
    }

    void run(const float* inLeft, const float* inRight, float* outLeft, float* outRight,
             int frames) {
        const __m128 one = _mm_set1_ps(1.0f),
                     magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
        const __m128 a1 = _mm_set1_ps(kSurroundSmoothA1), a2 = _mm_set1_ps(kSurroundSmoothA2),
                     b = _mm_set1_ps(kSurroundSmoothB);
        const __m128d preGain = _mm_cvtps_pd(preGain_);
        const __m128i zero = _mm_setzero_si128(), unit = _mm_set1_epi32(1);
        __m128 gain = pair(left_.gain, right_.gain), y1 = pair(left_.y1, right_.y1),
               y2 = pair(left_.y2, right_.y2);
        __m128i held = _mm_setr_epi32(left_.holdCounter, right_.holdCounter, 0, 0);
        int read = left_.readPosition, write = left_.writePosition;
        for (int n = 0; n < frames; ++n) {
            const float inL = inLeft[n], inR = inRight[n];
            const __m128 x = pair(inL, inR);
            const __m128 level = _mm_cvtpd_ps(_mm_mul_pd(
                _mm_mul_pd(_mm_cvtps_pd(_mm_and_ps(x, magnitude)), preGain), _mm_cvtps_pd(gain)));
            const __m128 over = _mm_cmpgt_ps(level, threshold_);
            const __m128 d = _mm_sub_ps(one, _mm_sub_ps(level, threshold_));
            const __m128 attacked = _mm_mul_ps(gain, select(_mm_cmpgt_ps(d, attack_), d, attack_));
            const __m128 open = _mm_sub_ps(one, gain);
            const __m128 released = _mm_sub_ps(
                one,
                _mm_add_ps(_mm_mul_ps(_mm_mul_ps(keep_, open), _mm_mul_ps(level, inverseFloor_)),
                           _mm_mul_ps(open, release_)));
            const __m128i idle = _mm_cmpeq_epi32(held, zero);
            const __m128 releasing = _mm_andnot_ps(over, _mm_castsi128_ps(idle));
            gain = select(over, attacked, select(releasing, released, gain));
            const __m128i counted =
                _mm_and_si128(_mm_sub_epi32(held, unit), _mm_cmpgt_epi32(held, zero));
            held = selectInt(_mm_castps_si128(over), holdLength_, counted);

            left_.ring[write] = inL;
            right_.ring[write] = inR;
            const __m128 delayed = pair(left_.ring[read], right_.ring[read]);
            if (++write == SurroundLimiterChannel::kRingLength) write = 0;
            if (++read == SurroundLimiterChannel::kRingLength) read = 0;
            const __m128 y = _mm_sub_ps(_mm_add_ps(_mm_mul_ps(gain, preGain_), _mm_mul_ps(a1, y1)),
                                        _mm_mul_ps(a2, y2));
            const __m128 out = _mm_mul_ps(_mm_mul_ps(delayed, b), y1);
            outLeft[n] = _mm_cvtss_f32(out);
            outRight[n] = _mm_cvtss_f32(_mm_shuffle_ps(out, out, 1));
            y2 = y1;
            y1 = y;
        }
        left_.gain = _mm_cvtss_f32(gain);
        right_.gain = _mm_cvtss_f32(_mm_shuffle_ps(gain, gain, 1));
        left_.y1 = _mm_cvtss_f32(y1);
        right_.y1 = _mm_cvtss_f32(_mm_shuffle_ps(y1, y1, 1));
        left_.y2 = _mm_cvtss_f32(y2);
        right_.y2 = _mm_cvtss_f32(_mm_shuffle_ps(y2, y2, 1));
        left_.holdCounter = _mm_cvtsi128_si32(held);
        right_.holdCounter = _mm_cvtsi128_si32(_mm_shuffle_epi32(held, 1));
        left_.readPosition = right_.readPosition = read;
        left_.writePosition = right_.writePosition = write;
    }

  private:
    static __m128 pair(float left, float right) {
        return _mm_unpacklo_ps(_mm_set_ss(left), _mm_set_ss(right));
    }
    static __m128 select(__m128 mask, __m128 yes, __m128 no) {
        return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
    }
    static __m128i selectInt(__m128i mask, __m128i yes, __m128i no) {
        return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
    }

    SurroundLimiterChannel& left_;
    SurroundLimiterChannel& right_;
    const __m128 preGain_, threshold_, attack_, release_, keep_, inverseFloor_;
    const __m128i holdLength_;
};

// KernelTable::surroundLimiter for the vector tables: channel pairs whose delay lines move
// together go through SurroundLimiterPair, anything else through the scalar steps.
inline void surroundLimiterPaired(SurroundLimiterChannel* channels, int count,
                                  const float* const* input, float* const* output, int frames) {
    if (count != 2 || !SurroundLimiterPair::inStep(channels[0], channels[1]))
        return surroundLimiterSteps(channels, count, input, output, frames);
    SurroundLimiterPair(channels[0], channels[1])
        .run(input[0], input[1], output[0], output[1], frames);
}

}  // namespace
}  // namespace veltra::kernels
