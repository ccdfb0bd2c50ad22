#!/usr/bin/python3
"""Writes resources/Tockwell.wav, the default alert sound: a soft two-note chime.

16 kHz, 16-bit mono, about 1.1 s. Deterministic: running it again gives the same file.
"""
import math
import os
import struct
import wave

RATE = 16000
LENGTH = 1.1  # seconds
# (start in seconds, frequency in Hz, loudness)
NOTES = [(0.00, 783.99, 0.55), (0.22, 1046.50, 0.45)]
# Partials of a small bell: (frequency ratio, relative loudness, decay time in seconds)
PARTIALS = [(1.0, 1.0, 0.45), (2.0, 0.35, 0.25), (3.01, 0.12, 0.15), (4.2, 0.05, 0.08)]
ATTACK = 0.006  # seconds


def sample(t):
    value = 0.0
    for start, freq, loud in NOTES:
        dt = t - start
        if dt < 0:
            continue
        envelope = min(1.0, dt / ATTACK)
        for ratio, amp, decay in PARTIALS:
            value += loud * amp * envelope * math.exp(-dt / decay) * math.sin(
                2 * math.pi * freq * ratio * dt)
    # Fade the last 50 ms to silence.
    tail = LENGTH - t
    if tail < 0.05:
        value *= max(tail, 0.0) / 0.05
    return value


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources",
                       "Tockwell.wav")
    frames = bytearray()
    for i in range(int(RATE * LENGTH)):
        v = max(-1.0, min(1.0, 0.6 * sample(i / RATE)))
        frames += struct.pack("<h", int(round(v * 32767)))
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


if __name__ == "__main__":
    main()
