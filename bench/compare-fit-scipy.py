#!/usr/bin/python3
"""veltradsp fit against scipy's SLSQP (AutoEq's optimiser) on the same simulated speakers.

Both design the same kind of sections (this equaliser's peaks, written out below from its
design), with the same bounds, boost limit and roll-off, over the band `veltradsp fit` reports;
both results are judged here by one evaluation on a grid four times as fine. scipy starts from a
greedy placement on the largest deviation, as AutoEq does. Needs python3-scipy.

  bench/compare-fit-scipy.py build/release/tools/veltradsp
"""
import math, os, re, subprocess, sys, tempfile, time, tomllib
import numpy as np
from scipy.optimize import minimize

RATE = 48000.0
SPEAKERS = {
    'laptop': [('HP', 150, 0, 0.9), ('PK', 900, 5, 2), ('PK', 2500, -4, 1.2), ('PK', 6500, 7, 3), ('HS', 9000, -5, 0.7)],
    'bookshelf': [('HP', 45, 0, 0.7), ('PK', 120, 4, 1.5), ('PK', 1800, 3, 2.5), ('PK', 4200, -5, 2), ('PK', 11000, 4, 1.5)],
    'resonant': [('HP', 80, 0, 1.2), ('PK', 650, 8, 6), ('PK', 1300, -6, 3), ('PK', 3300, 5, 4), ('PK', 8800, -7, 2)],
}

def cookbook_db(kind, f0, g, q, f):
    A = 10 ** (g / 40); w = 2 * np.pi * f0 / RATE; c = np.cos(w); al = np.sin(w) / (2 * q)
    if kind == 'PK':
        b, a = [1 + al * A, -2 * c, 1 - al * A], [1 + al / A, -2 * c, 1 - al / A]
    elif kind == 'HP':
        b, a = [(1 + c) / 2, -(1 + c), (1 + c) / 2], [1 + al, -2 * c, 1 - al]
    else:  # HS
        sa = 2 * np.sqrt(A) * al
        b = [A * ((A + 1) + (A - 1) * c + sa), -2 * A * ((A - 1) + (A + 1) * c), A * ((A + 1) + (A - 1) * c - sa)]
        a = [(A + 1) - (A - 1) * c + sa, 2 * ((A - 1) - (A + 1) * c), (A + 1) - (A - 1) * c - sa]
    z = np.exp(-2j * np.pi * f / RATE)
    return 20 * np.log10(np.abs((b[0] + b[1] * z + b[2] * z * z) / (a[0] + a[1] * z + a[2] * z * z)))

def section_db(code, f0, g, q, f):
    """This equaliser's own design (K = cot(pi f0 / rate), its gain in the numerator for a boost,
    its inverse in the denominator for a cut, a cut's Q narrowed by the linear gain)."""
    K = 1 / np.tan(np.pi * f0 / RATE); K2 = K * K; A = 10 ** (g / 20)
    G, H = (A, 1.0) if A > 1 else (1.0, 1 / A)
    if code == 11:
        qb = q * A if A < 1 else q
        b = [1 + A * K / qb + K2, 2 * (1 - K2), 1 - A * K / qb + K2]
        a = [1 + K / qb + K2, 2 * (1 - K2), 1 - K / qb + K2]
    elif code == 16:
        sg, sh = np.sqrt(G), np.sqrt(H)
        b = [1 + sg * K / q + G * K2, 2 * (1 - G * K2), 1 - sg * K / q + G * K2]
        a = [1 + sh * K / q + H * K2, 2 * (1 - H * K2), 1 - sh * K / q + H * K2]
    else:  # 17
        sg, sh = np.sqrt(G), np.sqrt(H)
        b = [G + sg * K / q + K2, 2 * (G - K2), G - sg * K / q + K2]
        a = [H + sh * K / q + K2, 2 * (H - K2), H - sh * K / q + K2]
    z = np.exp(-2j * np.pi * f / RATE)
    return 20 * np.log10(np.abs((b[0] + b[1] * z + b[2] * z * z) / (a[0] + a[1] * z + a[2] * z * z)))

def rms(device, stage):
    e = device + stage
    return float(np.sqrt(np.mean((e - e.mean()) ** 2)))

def scipy_fit(hz, device, guard, low_rolloff, sections, max_boost):
    x, bounds = [], []
    residual = device - np.median(device)
    placed = np.zeros_like(hz)
    for _ in range(sections):  # AutoEq's start: each section on the largest remaining deviation
        r = residual + placed
        i = int(np.argmax(np.abs(r - r.mean())))
        g = float(np.clip(-(r[i] - r.mean()), -20, max_boost))
        x += [math.log2(hz[i]), g, math.log2(1.5)]
        bounds += [(math.log2(hz[0]), math.log2(hz[-1])), (-20, max_boost), (math.log2(0.2), math.log2(16))]
        placed += section_db(11, hz[i], g, 1.5, hz)
    def stage(p, f):
        return sum(section_db(11, 2 ** p[3 * k], p[3 * k + 1], 2 ** p[3 * k + 2], f) for k in range(sections))
    limit = np.where(guard < low_rolloff, 0.0, max_boost)
    cons = [{'type': 'ineq', 'fun': lambda p: limit - stage(p, guard)}]
    result = minimize(lambda p: rms(device, stage(p, hz)) ** 2, np.array(x), method='SLSQP',
                      bounds=bounds, constraints=cons, options={'maxiter': 500, 'ftol': 1e-10})
    return lambda f: stage(result.x, f)

def main():
    tool = os.path.abspath(sys.argv[1])
    print('%-10s %8s %13s %13s %10s %10s' % ('speaker', 'sections', 'veltradsp', 'scipy', 'ours s', 'scipy s'))
    for name, spec in SPEAKERS.items():
        with tempfile.TemporaryDirectory() as d:
            # Written densely, so that the file's interpolation costs less than a thousandth of
            # the deviations compared: scipy is given the device's exact values.
            grid = 20 * 2 ** (np.arange(0, 1920) / 192)
            level = 80 + sum(cookbook_db(k, f0, g, q, grid) for k, f0, g, q in spec)
            with open(os.path.join(d, 'm.txt'), 'w') as out:
                out.write('* simulated\n' + ''.join('%.4f, %.5f, 0\n' % (f, v) for f, v in zip(grid, level)))
            with open(os.path.join(d, 'flat.toml'), 'w') as out:
                out.write('format = 1\n[Headroom]\ngain_db = 0.0\n[PreEQ]\nbands = []\n[Limiter]\ninput_gain_db = 0.0\n'
                          '[PostEQ]\nbands = []\n[Halvorn_Surround]\nenabled = false\n[PostEQ2]\nbands = []\n'
                          '[Limiter2]\ninput_gain_db = 0.0\n')
            for sections in (8, 16):
                began = time.time()
                report = subprocess.run([tool, 'fit', 'm.txt', '--into', 'flat.toml', '--smoothing', 'none',
                                         '--sections', str(sections), '-o', 'f.toml'], cwd=d, check=True,
                                        capture_output=True, text=True).stdout
                ours_s = time.time() - began
                lo, hi = (float(v) for v in re.search(r'fitted over (\d+)-(\d+) Hz', report).groups())
                roll = float(re.search(r'roll-offs: (\d+) Hz', report).group(1))
                bands = tomllib.load(open(os.path.join(d, 'f.toml'), 'rb'))['PreEQ']['bands']
                codes = {'peak': 11, 'high_shelf_2': 16, 'low_shelf_2': 17}
                dense = lo * 2 ** (np.arange(0, int(math.log2(hi / lo) * 96) + 1) / 96)
                device = 80 + sum(cookbook_db(k, f0, g, q, dense) for k, f0, g, q in spec)
                ours = sum(section_db(codes[b['type']], b['freq_hz'], b['gain_db'], b['q'], dense) for b in bands)
                hz = lo * 2 ** (np.arange(0, int(math.log2(hi / lo) * 24) + 1) / 24)
                guard = 10 * 2 ** (np.arange(0, int(math.log2(21600 / 10) * 24) + 1) / 24)
                began = time.time()
                theirs = scipy_fit(hz, 80 + sum(cookbook_db(k, f0, g, q, hz) for k, f0, g, q in spec),
                                   guard, roll, sections, 6.0)
                scipy_s = time.time() - began
                print('%-10s %8d %10.4f dB %10.4f dB %10.2f %10.2f' % (name, sections, rms(device, ours),
                                                                       rms(device, theirs(dense)), ours_s, scipy_s))

main()
