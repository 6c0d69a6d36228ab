#!/usr/bin/python3
"""Compares a measured response (REW text) with another response or with cookbook biquads.

  compare_response.py MEASURED.txt --cookbook "HP 150 0 0.7" "PK 1500 6 3" --from 50 --to 16000 --within 0.1
  compare_response.py MEASURED.txt --csv PREDICTED.csv COLUMN --from 60 --to 16000 --within 0.5

Each is compared after removing its best level offset (the mean difference) when --level is
given, else as is. Prints the largest deviation and exits 1 if it exceeds --within."""
import argparse, cmath, math, sys


def read_rew(path):
    rows = []
    for line in open(path):
        if line.startswith('*') or not line.strip():
            continue
        f, db = (float(v) for v in line.split(',')[:2])
        rows.append((f, db))
    return rows


def read_csv(path, column):
    lines = open(path).read().splitlines()
    names = lines[0].split(',')
    i = names.index(column)
    return [(float(r.split(',')[0]), float(r.split(',')[i])) for r in lines[1:]]


def cookbook_db(kind, f0, gain, q, f, rate=48000.0):
    # The Audio EQ Cookbook's formulas.
    A = 10 ** (gain / 40)
    w0 = 2 * math.pi * f0 / rate
    cs, alpha = math.cos(w0), math.sin(w0) / (2 * q)
    if kind == 'PK':
        b, a = [1 + alpha * A, -2 * cs, 1 - alpha * A], [1 + alpha / A, -2 * cs, 1 - alpha / A]
    elif kind == 'HP':
        b, a = [(1 + cs) / 2, -(1 + cs), (1 + cs) / 2], [1 + alpha, -2 * cs, 1 - alpha]
    elif kind == 'LP':
        b, a = [(1 - cs) / 2, 1 - cs, (1 - cs) / 2], [1 + alpha, -2 * cs, 1 - alpha]
    else:
        raise SystemExit('unknown type ' + kind)
    z = cmath.exp(-2j * math.pi * f / rate)
    return 20 * math.log10(abs((b[0] + b[1] * z + b[2] * z * z) / (a[0] + a[1] * z + a[2] * z * z)))


def level_at(rows, f):
    for (f0, d0), (f1, d1) in zip(rows, rows[1:]):
        if f0 <= f <= f1:
            t = math.log(f / f0) / math.log(f1 / f0)
            return d0 + t * (d1 - d0)
    raise SystemExit('%g Hz is outside the reference' % f)


def main():
    p = argparse.ArgumentParser()
    p.add_argument('measured')
    p.add_argument('--cookbook', nargs='+')
    p.add_argument('--csv', nargs=2)
    p.add_argument('--from', dest='low', type=float, default=50)
    p.add_argument('--to', dest='high', type=float, default=16000)
    p.add_argument('--within', type=float, required=True)
    p.add_argument('--level', action='store_true', help='remove the best level offset first')
    a = p.parse_args()
    measured = [(f, d) for f, d in read_rew(a.measured) if a.low <= f <= a.high]
    if a.cookbook:
        sections = [s.split() for s in a.cookbook]
        want = [sum(cookbook_db(k, float(f0), float(g), float(q), f) for k, f0, g, q in sections)
                for f, _ in measured]
    elif a.csv:
        ref = read_csv(*a.csv)
        want = [level_at(ref, f) for f, _ in measured]
    else:
        want = [0.0 for _ in measured]
    diff = [d - w for (_, d), w in zip(measured, want)]
    offset = sum(diff) / len(diff) if a.level else 0.0
    worst = max(range(len(diff)), key=lambda i: abs(diff[i] - offset))
    print('largest deviation %.3f dB at %.1f Hz over %d points (offset %.2f dB)' %
          (abs(diff[worst] - offset), measured[worst][0], len(diff), offset))
    sys.exit(0 if abs(diff[worst] - offset) <= a.within else 1)


main()
