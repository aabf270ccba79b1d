#!/usr/bin/env python3
"""Renders the short answer sounds of resources/sounds/ (16-bit mono WAV).

Run from anywhere: python3 tools/make_result_sounds.py
The output is deterministic, so the committed files only change when this script does.
"""
import math
import os
import struct
import wave

RATE = 22050
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "sounds")


def note(freq, start, length, partials, decay, attack=0.004, vibrato=0.0):
    """One struck tone: (start, samples). partials are (frequency ratio, amplitude)."""
    samples = []
    count = int(length * RATE)
    for i in range(count):
        t = i / RATE
        envelope = min(1.0, t / attack) * math.exp(-decay * t)
        # A short fade at the end, so the tone never stops on a click.
        envelope *= min(1.0, (count - i) / (0.01 * RATE))
        f = freq * (1.0 + vibrato * math.sin(2 * math.pi * 6.0 * t))
        value = sum(a * math.sin(2 * math.pi * f * r * t) for r, a in partials)
        samples.append(envelope * value)
    return int(start * RATE), samples


# The RMS no sound goes above: a steady low tone reaches the peak with far more energy
# than a struck bell, and would sound much louder than the others and than the notes.
LOUDNESS = 0.15


def render(name, length, notes, peak=0.6):
    mix = [0.0] * int(length * RATE)
    for offset, samples in notes:
        for i, s in enumerate(samples):
            if offset + i < len(mix):
                mix[offset + i] += s
    loudest = max(abs(s) for s in mix) or 1.0
    rms = math.sqrt(sum(s * s for s in mix) / len(mix)) or 1.0
    gain = min(peak / loudest, LOUDNESS / rms)
    frames = b"".join(struct.pack("<h", int(round(s * gain * 32767))) for s in mix)
    with wave.open(os.path.join(OUT, name), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


BELL = [(1.0, 1.0), (2.0, 0.35), (3.01, 0.12)]
GLOCK = [(1.0, 1.0), (2.76, 0.3), (5.4, 0.1)]
SOFT = [(1.0, 1.0), (3.0, 0.2), (5.0, 0.06)]
REED = [(1.0, 1.0), (2.0, 0.5), (3.0, 0.4), (4.0, 0.25), (5.0, 0.2), (6.0, 0.1)]


def main():
    os.makedirs(OUT, exist_ok=True)
    # Right answers: bright and rising.
    render("chime.wav", 0.55, [note(1046.5, 0.0, 0.3, BELL, 9.0), note(1318.5, 0.11, 0.44, BELL, 7.0)])
    render("ding.wav", 0.5, [note(1760.0, 0.0, 0.5, GLOCK, 8.0)])
    # Wrong answers: low and falling, never harsh.
    render("lowtone.wav", 0.45, [note(233.1, 0.0, 0.2, SOFT, 6.0, attack=0.01),
                                 note(220.0, 0.16, 0.29, SOFT, 7.0, attack=0.01)])
    render("buzz.wav", 0.3, [note(110.0, 0.0, 0.3, REED, 6.0, attack=0.01, vibrato=0.01)], peak=0.5)


if __name__ == "__main__":
    main()
