#!/usr/bin/env python3
"""Makes the demo game's sounds in a directory (default: examples/demo).

Every sound is synthesised here from sine waves and envelopes and written as
16-bit mono PCM WAV, so the demo carries no third-party audio. Sounds that are
already newer than this script are left alone; pass --force to make them anyway.

  bell.wav         a harbour bell struck once, ringing out over about 0.6 s
  voice/mira1.wav  about 1 s of a murmured voice: four vowel sounds on a
                   gliding pitch, the cue for one of Mira's lines
  tide.wav         8 s of background music, four bars of chords under an
                   arpeggio; its last notes ring on into its start, so it loops
                   without a seam
"""

import array
import math
import os
import sys
import wave

from demo_outputs import make_outputs

OUTPUTS = ("bell.wav", os.path.join("voice", "mira1.wav"), "tide.wav")

RATE = 22050
FULL_SCALE = 32767
PEAK = 0.8  # every sound is scaled so that its loudest sample is this much of full scale
TAU = 2 * math.pi


# ---- WAV writing ---------------------------------------------------------------


def write_wav(path, samples):
    """Writes samples (floats) as 16-bit mono PCM, scaled to PEAK."""
    loudest = max(abs(s) for s in samples)
    scale = PEAK * FULL_SCALE / loudest
    pcm = array.array("h", (round(s * scale) for s in samples))
    if sys.byteorder == "big":
        pcm.byteswap()  # WAV samples are little-endian
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with wave.open(path + ".tmp", "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(pcm.itemsize)
        f.setframerate(RATE)
        f.writeframes(pcm.tobytes())
    os.replace(path + ".tmp", path)


# ---- Building blocks -------------------------------------------------------------


def frequency(note):
    """The frequency of a MIDI note number (69 is A at 440 Hz)."""
    return 440 * 2 ** ((note - 69) / 12)


def fade(t, length):
    """A raised-cosine ramp from 0 at t = 0 to 1 at t = length."""
    if t >= length:
        return 1.0
    return 0.5 - 0.5 * math.cos(math.pi * t / length)


def add_circular(buffer, start, values):
    """Adds values into buffer from `start`, wrapping past its end to its
    beginning, so a note that rings past the end of a loop sounds at its start."""
    n = len(buffer)
    for i, v in enumerate(values):
        buffer[(start + i) % n] += v


def partials(duration, pitch, overtones, attack, release):
    """A note of `duration` seconds: for each (ratio, amplitude, decay time)
    in `overtones` a sine at pitch * ratio dying away exponentially. It rises
    over `attack` and falls to silence over the last `release` seconds, so it
    starts and ends without a click."""
    count = round(duration * RATE)
    out = []
    for i in range(count):
        t = i / RATE
        value = sum(a * math.exp(-t / decay) * math.sin(TAU * pitch * ratio * t) for ratio, a, decay in overtones)
        out.append(value * fade(t, attack) * fade(duration - t, release))
    return out


# ---- The bell ----------------------------------------------------------------------

BELL_PITCH = 660
BELL_SECONDS = 0.6
# A bell's overtones are not whole multiples of its pitch: the hum an octave
# below, the minor third and the fifth give it its ring. Higher ones die sooner.
BELL_OVERTONES = (
    (0.5, 0.35, 0.45),
    (1.0, 1.0, 0.3),
    (1.19, 0.5, 0.22),
    (1.5, 0.35, 0.18),
    (2.0, 0.45, 0.14),
    (2.52, 0.25, 0.09),
    (3.01, 0.15, 0.06),
)


def bell():
    return partials(BELL_SECONDS, BELL_PITCH, BELL_OVERTONES, attack=0.002, release=0.05)


# ---- The voice ---------------------------------------------------------------------

VOICE_SECONDS = 1.0
VOICE_TOP = 4000  # harmonics above this add nothing a listener needs
BLOCK = 32  # samples between recomputing the harmonics' loudness
# Four syllables: (middle of the syllable in seconds, formants in Hz). The
# vowels run a, i, o, e; the formants glide from each one to the next.
SYLLABLES = (
    (0.14, (800, 1200, 2500)),
    (0.38, (300, 2300, 3000)),
    (0.62, (500, 900, 2500)),
    (0.85, (450, 2000, 2600)),
)
SYLLABLE_HALF = 0.11  # seconds from a syllable's middle to its edge
FORMANT_LEVELS = (1.0, 0.6, 0.3)
FORMANT_WIDTHS = (90, 110, 160)  # bandwidths in Hz


def voice_pitch(t):
    """Rises from 230 Hz to 260 Hz over the first quarter second and falls to
    190 Hz by the end, as a spoken sentence does, with a slight vibrato."""
    if t < 0.25:
        base = 230 + 30 * t / 0.25
    else:
        base = 260 - 70 * (t - 0.25) / (VOICE_SECONDS - 0.25)
    return base * (1 + 0.015 * math.sin(TAU * 5.5 * t))


def formants_at(t):
    """The formant frequencies at time t, interpolated between syllables."""
    if t <= SYLLABLES[0][0]:
        return SYLLABLES[0][1]
    for (t0, f0), (t1, f1) in zip(SYLLABLES, SYLLABLES[1:]):
        if t <= t1:
            k = (t - t0) / (t1 - t0)
            return tuple(a + (b - a) * k for a, b in zip(f0, f1))
    return SYLLABLES[-1][1]


def syllable_loudness(t):
    """Each syllable swells and fades; between them the voice drops low, as it
    does for a consonant, and it is silent before the first and after the last."""
    level = 0.0
    for middle, _ in SYLLABLES:
        distance = abs(t - middle)
        if distance < SYLLABLE_HALF:
            level = max(level, math.cos(0.5 * math.pi * distance / SYLLABLE_HALF) ** 0.7)
    return level


def harmonic_levels(pitch, formants):
    """The loudness of each harmonic of `pitch`: a source falling off as 1/k,
    shaped by resonances at the formants."""
    levels = []
    for k in range(1, int(VOICE_TOP / pitch) + 1):
        f = k * pitch
        shape = sum(
            level / (1 + ((f - centre) / (width / 2)) ** 2)
            for centre, level, width in zip(formants, FORMANT_LEVELS, FORMANT_WIDTHS)
        )
        levels.append((shape + 0.02) / k)
    return levels


def voice():
    count = round(VOICE_SECONDS * RATE)
    out = []
    phase = 0.0
    for start in range(0, count, BLOCK):
        t = start / RATE
        levels = harmonic_levels(voice_pitch(t), formants_at(t))
        for i in range(start, min(start + BLOCK, count)):
            t = i / RATE
            phase += TAU * voice_pitch(t) / RATE
            value = sum(level * math.sin((k + 1) * phase) for k, level in enumerate(levels))
            out.append(value * syllable_loudness(t))
    return out


# ---- The music ---------------------------------------------------------------------

BAR_SECONDS = 2.0
STEPS_PER_BAR = 8
# Each bar: its bass note, the chord held under it and the eight notes of the
# arpeggio (MIDI numbers). D major 7, B minor 7, G major 7 and A7, which leads
# back to the first bar.
BARS = (
    (50, (62, 66, 69), (62, 66, 69, 73, 74, 73, 69, 66)),
    (47, (59, 62, 66), (59, 62, 66, 69, 71, 69, 66, 62)),
    (43, (59, 62, 67), (55, 59, 62, 66, 67, 66, 62, 59)),
    (45, (57, 61, 64), (57, 61, 64, 67, 69, 67, 64, 61)),
)
ARPEGGIO_SECONDS = 1.6
ARPEGGIO_OVERTONES = ((1.0, 0.22, 0.45), (2.0, 0.06, 0.15), (3.0, 0.02, 0.08))
BASS_OVERTONES = ((1.0, 0.4, 1.2), (2.0, 0.08, 0.4))
BASS_RELEASE = 0.3
CHORD_LEVEL = 0.05
CHORD_ATTACK = 0.5
CHORD_RELEASE = 0.8  # the chord fades out over the start of the next bar
DETUNE = 0.0015  # each chord note is two sines this far apart, for a soft beat


def chord(notes):
    duration = BAR_SECONDS + CHORD_RELEASE
    count = round(duration * RATE)
    pitches = [frequency(n) * (1 + side * DETUNE) for n in notes for side in (-1, 1)]
    out = []
    for i in range(count):
        t = i / RATE
        value = sum(math.sin(TAU * p * t) for p in pitches)
        out.append(CHORD_LEVEL * value * fade(t, CHORD_ATTACK) * fade(duration - t, CHORD_RELEASE))
    return out


def tide():
    bar_samples = round(BAR_SECONDS * RATE)
    step_samples = bar_samples // STEPS_PER_BAR
    music = [0.0] * (bar_samples * len(BARS))
    for bar, (bass, held, arpeggio) in enumerate(BARS):
        start = bar * bar_samples
        low = partials(BAR_SECONDS + BASS_RELEASE, frequency(bass), BASS_OVERTONES, attack=0.02, release=BASS_RELEASE)
        add_circular(music, start, low)
        add_circular(music, start, chord(held))
        for step, note in enumerate(arpeggio):
            pluck = partials(ARPEGGIO_SECONDS, frequency(note), ARPEGGIO_OVERTONES, attack=0.008, release=0.1)
            add_circular(music, start + step * step_samples, pluck)
    return music


def main(argv):
    sounds = dict(zip(OUTPUTS, (bell, voice, tide)))
    return make_outputs(argv, __file__, OUTPUTS, lambda path, name: write_wav(path, sounds[name]()))


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
