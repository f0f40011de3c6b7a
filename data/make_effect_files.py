#!/usr/bin/env python3
"""Builds the PX40 effect files in res/effects/ (run from data/).

An effect file is a DSP program for the card, in its two-list layout
(little-endian):
    u32 a   byte length of list A
    u32 b   byte length of list B
    list A  a / 8 records: u16 block, u16 register, i32 value
    list B  b / 8 records: i32 left tap, i32 right tap (Q1.31)
List A sets the processing blocks (biquad coefficients in Q2.30, times in
samples at 48 kHz, levels in Q1.31); list B is the convolution kernel. A file
holds at most 65536 bytes. The output is reproducible: the noise comes from a
fixed linear congruential generator.
"""
import math
import os
import struct

RATE = 48000
Q30 = 1 << 30
Q31 = (1 << 31) - 1

BLOCK_INPUT, BLOCK_COMP, BLOCK_EQ, BLOCK_REVERB, BLOCK_FILTER, BLOCK_OUTPUT = 1, 2, 3, 4, 5, 6


class Noise:
    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (1664525 * self.state + 1013904223) & 0xFFFFFFFF
        return self.state / 2**31 - 1.0


def db(gain_db):
    return 10 ** (gain_db / 20)


def q31(x):
    return max(-Q31 - 1, min(Q31, int(round(x * Q31))))


def biquad(kind, freq, q, gain_db=0.0):
    """Audio-EQ-cookbook biquad, normalised, as Q2.30 b0 b1 b2 a1 a2."""
    w = 2 * math.pi * freq / RATE
    cw, sw = math.cos(w), math.sin(w)
    alpha = sw / (2 * q)
    a = 10 ** (gain_db / 40)
    if kind == "highpass":
        b = [(1 + cw) / 2, -(1 + cw), (1 + cw) / 2]
        den = [1 + alpha, -2 * cw, 1 - alpha]
    elif kind == "lowpass":
        b = [(1 - cw) / 2, 1 - cw, (1 - cw) / 2]
        den = [1 + alpha, -2 * cw, 1 - alpha]
    elif kind == "peak":
        b = [1 + alpha * a, -2 * cw, 1 - alpha * a]
        den = [1 + alpha / a, -2 * cw, 1 - alpha / a]
    elif kind == "highshelf":
        s = 2 * math.sqrt(a) * alpha
        b = [a * ((a + 1) + (a - 1) * cw + s), -2 * a * ((a - 1) + (a + 1) * cw), a * ((a + 1) + (a - 1) * cw - s)]
        den = [(a + 1) - (a - 1) * cw + s, 2 * ((a - 1) - (a + 1) * cw), (a + 1) - (a - 1) * cw - s]
    else:
        raise ValueError(kind)
    coeffs = [b[0] / den[0], b[1] / den[0], b[2] / den[0], den[1] / den[0], den[2] / den[0]]
    return [int(round(c * Q30)) for c in coeffs]


def eq_records(bands):
    records = []
    for band, (kind, freq, q, gain) in enumerate(bands):
        for k, c in enumerate(biquad(kind, freq, q, gain)):
            records.append((BLOCK_EQ, band * 8 + k, c))
    return records


def compressor(threshold_db, ratio_x10, attack_ms, release_ms, makeup_db):
    return [
        (BLOCK_COMP, 0, 1),
        (BLOCK_COMP, 1, q31(db(threshold_db))),
        (BLOCK_COMP, 2, ratio_x10),
        (BLOCK_COMP, 3, int(attack_ms * RATE / 1000)),
        (BLOCK_COMP, 4, int(release_ms * RATE / 1000)),
        (BLOCK_COMP, 5, q31(db(makeup_db) / 4)),
    ]


def reverb(pre_delay_ms, taps, wet_db, dry_db):
    return [
        (BLOCK_REVERB, 0, 1),
        (BLOCK_REVERB, 1, int(pre_delay_ms * RATE / 1000)),
        (BLOCK_REVERB, 2, taps),
        (BLOCK_REVERB, 3, q31(db(wet_db))),
        (BLOCK_REVERB, 4, q31(db(dry_db))),
    ]


def room_response(taps, rt60_s, reflections, seed, width):
    """Early reflections over decaying noise, a little decorrelated left/right."""
    left, right = Noise(seed), Noise(seed ^ 0x5A5A5A5A)
    decay = math.log(1000) / (rt60_s * RATE)
    kernel = []
    for n in range(taps):
        env = math.exp(-decay * n) * 0.35
        l = left.next() * env
        r = (1 - width) * l + width * right.next() * env
        kernel.append([l, r])
    for delay_ms, gain, pan in reflections:
        n = int(delay_ms * RATE / 1000)
        if n < taps:
            kernel[n][0] += gain * (1 - pan)
            kernel[n][1] += gain * (1 + pan)
    kernel[0] = [0.9, 0.9]  # the direct sound
    return kernel


def band_pass_fir(taps, low_hz, high_hz):
    """Windowed-sinc band pass (Blackman), the same on both sides."""
    m = taps - 1
    kernel = []
    for n in range(taps):
        x = n - m / 2
        if x == 0:
            h = 2 * (high_hz - low_hz) / RATE
        else:
            h = (math.sin(2 * math.pi * high_hz * x / RATE) - math.sin(2 * math.pi * low_hz * x / RATE)) / (math.pi * x)
        w = 0.42 - 0.5 * math.cos(2 * math.pi * n / m) + 0.08 * math.cos(4 * math.pi * n / m)
        kernel.append([h * w, h * w])
    return kernel


def write_effect(path, program, kernel):
    list_a = b"".join(struct.pack("<HHi", block, reg, value) for block, reg, value in program)
    list_b = b"".join(struct.pack("<ii", q31(l), q31(r)) for l, r in kernel)
    data = struct.pack("<II", len(list_a), len(list_b)) + list_a + list_b
    assert len(data) <= 65536, (path, len(data))
    with open(path, "wb") as out:
        out.write(data)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "res", "effects")
    os.makedirs(out, exist_ok=True)

    # A live hall: 125 ms of early field convolved, the algorithmic tail does the rest.
    concert_taps = 6000
    write_effect(
        os.path.join(out, "concert_live.eff"),
        [(BLOCK_INPUT, 0, q31(db(-3)))]
        + compressor(-18, 30, 8, 180, 4)
        + eq_records([("highpass", 90, 0.707, 0), ("peak", 350, 1.0, -2.5), ("peak", 3200, 1.2, 2.0),
                      ("highshelf", 9000, 0.707, 3.0)])
        + reverb(28, concert_taps, -9, -1)
        + [(BLOCK_OUTPUT, 0, q31(db(-1))), (BLOCK_OUTPUT, 1, 1)],
        room_response(concert_taps, 2.2, [(11, 0.32, -0.4), (17, 0.27, 0.5), (29, 0.22, -0.2),
                                          (41, 0.18, 0.3), (58, 0.15, -0.6), (77, 0.12, 0.6)], 0x1234, 0.6),
    )

    # A treated vocal booth: short and dry, a firm compressor, a de-esser band.
    studio_taps = 1024
    write_effect(
        os.path.join(out, "studio_vocal.eff"),
        [(BLOCK_INPUT, 0, q31(db(-2)))]
        + compressor(-22, 40, 3, 120, 6)
        + eq_records([("highpass", 75, 0.707, 0), ("peak", 220, 0.9, -2.0), ("peak", 5200, 2.0, 2.5),
                      ("peak", 7400, 4.0, -4.0), ("highshelf", 12000, 0.707, 2.0)])
        + reverb(4, studio_taps, -18, 0)
        + [(BLOCK_OUTPUT, 0, q31(db(-0.5))), (BLOCK_OUTPUT, 1, 1)],
        room_response(studio_taps, 0.25, [(3, 0.2, -0.3), (5, 0.16, 0.4), (8, 0.1, 0.0)], 0x0BEE, 0.3),
    )

    # An AM radio: telephone band, hard limiting and a little grit, no room.
    radio_taps = 256
    write_effect(
        os.path.join(out, "vintage_radio.eff"),
        [(BLOCK_INPUT, 0, q31(db(0)))]
        + compressor(-26, 80, 1, 60, 9)
        + eq_records([("highpass", 300, 0.9, 0), ("peak", 1800, 1.4, 4.0), ("lowpass", 3400, 0.9, 0)])
        + [(BLOCK_FILTER, 0, 1), (BLOCK_FILTER, 1, q31(0.18)), (BLOCK_FILTER, 2, radio_taps)]
        + [(BLOCK_OUTPUT, 0, q31(db(-2))), (BLOCK_OUTPUT, 1, 0)],
        band_pass_fir(radio_taps, 300, 3400),
    )


if __name__ == "__main__":
    main()
