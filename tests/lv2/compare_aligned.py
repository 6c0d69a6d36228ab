"""Aligns a recording with a reference and reports how far apart they are.

Both are raw interleaved stereo float32 files. The reference's first sample whose magnitude
exceeds a threshold is found in the recording (the recording starts at an arbitrary point of
the graph's time); from there on every reference frame must match within the tolerance.

usage: compare_aligned.py RECORDING.raw REFERENCE.raw TOLERANCE
"""
import array
import sys


def frames(path):
    data = array.array("f")
    with open(path, "rb") as f:
        data.frombytes(f.read())
    return [(data[i], data[i + 1]) for i in range(0, len(data) - 1, 2)]


def first_loud(x, threshold):
    return next(i for i, (l, r) in enumerate(x) if abs(l) > threshold or abs(r) > threshold)


def main():
    recording, reference = frames(sys.argv[1]), frames(sys.argv[2])
    tolerance = float(sys.argv[3])
    start = first_loud(reference, 1e-3)
    # The recording's matching frame: the first loud one, give or take rounding near the
    # threshold, so search a few frames around it for the best fit.
    guess = first_loud(recording, 1e-3)
    best = None
    for offset in range(max(0, guess - 8), guess + 9):
        shift = offset - start
        n = min(len(reference) - start, len(recording) - offset)
        if n < len(reference) - start:
            continue
        worst = max(max(abs(a[0] - b[0]), abs(a[1] - b[1]))
                    for a, b in zip(recording[offset:offset + n], reference[start:start + n]))
        if best is None or worst < best[0]:
            best = (worst, shift)
    if best is None:
        print("recording too short to hold the reference")
        return 1
    print(f"aligned at a shift of {best[1]} frames: largest difference {best[0]:.3g} "
          f"over {len(reference) - start} frames")
    return 0 if best[0] <= tolerance else 1


if __name__ == "__main__":
    sys.exit(main())
