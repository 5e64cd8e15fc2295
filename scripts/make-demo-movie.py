#!/usr/bin/env python3
"""Makes the demo game's movie in a directory (default: examples/demo).

Every picture is drawn here and its sound synthesised here, so the demo
carries no third-party footage; the ffmpeg command (Debian's `ffmpeg`
package) only encodes them. The movie is left alone when it is newer than
this script; pass --force to make it anyway.

  dusk.mpg  4 s at 25 pictures a second, 640 x 480, MPEG-1 video with MPEG
            audio in a program stream: the harbour at dusk, the sky fading
            from violet to amber over a dark sea, a pier and a moored boat in
            silhouette, and a ship's lantern gliding along the horizon with
            its reflection trembling on the water, over the hush of waves
"""

import array
import math
import os
import random
import subprocess
import sys
import tempfile
import wave

from demo_outputs import make_outputs

OUTPUTS = ("dusk.mpg",)

WIDTH, HEIGHT = 640, 480
FPS = 25
SECONDS = 4
HORIZON = 300  # first row of the sea
AUDIO_RATE = 22050
PEAK = 0.6  # the waves' loudest sample as a share of full scale
FULL_SCALE = 32767

SKY_TOP = (38, 24, 72)
SKY_HORIZON = (236, 142, 70)
SEA_TOP = (70, 60, 92)
SEA_BOTTOM = (10, 14, 34)
SILHOUETTE = (14, 10, 22)
LANTERN = (255, 226, 150)
GLOW_RADIUS = 34


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def background():
    """The still part of every picture, as rows of RGB bytes."""
    rows = []
    for y in range(HEIGHT):
        if y < HORIZON:
            colour = mix(SKY_TOP, SKY_HORIZON, (y / HORIZON) ** 1.6)
        else:
            colour = mix(SEA_TOP, SEA_BOTTOM, ((y - HORIZON) / (HEIGHT - HORIZON)) ** 0.7)
        rows.append(bytearray(bytes(colour) * WIDTH))

    def fill(x0, y0, x1, y1):
        for y in range(max(y0, 0), min(y1, HEIGHT)):
            rows[y][x0 * 3 : x1 * 3] = bytes(SILHOUETTE) * (x1 - x0)

    # The pier: planks on posts, from the left edge out over the water.
    fill(0, 330, 250, 342)
    for x in range(12, 250, 46):
        fill(x, 342, x + 8, 420)
    # The moored boat: a hull narrowing towards its keel, a mast and a cabin.
    for y in range(352, 378):
        inset = (y - 352) * 2
        fill(300 + inset, y, 470 - inset // 2, y + 1)
    fill(380, 240, 384, 352)
    fill(340, 332, 400, 352)
    return rows


SILHOUETTE_BYTES = bytes(SILHOUETTE)


def lit(frame, at, strength):
    """Brightens one pixel towards the lantern's colour; the pier and the boat
    stand in front of the lantern and stay dark."""
    if frame[at : at + 3] == SILHOUETTE_BYTES:
        return
    for c in range(3):
        frame[at + c] = round(frame[at + c] + (LANTERN[c] - frame[at + c]) * strength)


def draw_light(frame, cx, cy, radius, strength):
    """Brightens a round glow centred on (cx, cy) towards the lantern's colour."""
    for y in range(max(cy - radius, 0), min(cy + radius + 1, HEIGHT)):
        row = y * WIDTH * 3
        for x in range(max(cx - radius, 0), min(cx + radius + 1, WIDTH)):
            d = math.hypot(x - cx, y - cy) / radius
            if d >= 1:
                continue
            lit(frame, row + x * 3, strength * (1 - d) ** 2)


def picture(rows, number):
    t = number / (FPS * SECONDS)
    frame = bytearray(b"".join(rows))
    # The lantern crosses from right to left just above the horizon, flickering.
    cx = round(WIDTH * (0.92 - 0.6 * t))
    cy = HORIZON - 8
    flicker = 0.85 + 0.15 * math.sin(number * 1.7) * math.sin(number * 0.53)
    draw_light(frame, cx, cy, GLOW_RADIUS, 0.9 * flicker)
    draw_light(frame, cx, cy, 4, 1.0)
    # Its reflection: short bright strokes down the water, swaying with the waves.
    for y in range(HORIZON + 4, HEIGHT, 3):
        depth = (y - HORIZON) / (HEIGHT - HORIZON)
        sway = round(6 * depth * math.sin(y * 0.21 + number * 0.4))
        half = 2 + round(10 * depth)
        strength = 0.55 * (1 - depth) * flicker
        row = y * WIDTH * 3
        for x in range(max(cx + sway - half, 0), min(cx + sway + half, WIDTH)):
            lit(frame, row + x * 3, strength)
    return bytes(frame)


def waves():
    """The hush of the sea: smoothed noise that swells and falls with each wave."""
    rng = random.Random(7)
    count = AUDIO_RATE * SECONDS
    samples = []
    low = 0.0
    for n in range(count):
        low += (rng.uniform(-1, 1) - low) * 0.08
        swell = 0.35 + 0.65 * math.sin(math.pi * ((n / AUDIO_RATE) / 2.0 % 1.0)) ** 2
        fade = min(1.0, n / (0.3 * AUDIO_RATE), (count - n) / (0.3 * AUDIO_RATE))
        samples.append(low * swell * fade)
    loudest = max(abs(s) for s in samples)
    pcm = array.array("h", (round(s * PEAK * FULL_SCALE / loudest) for s in samples))
    if sys.byteorder == "big":
        pcm.byteswap()
    return pcm.tobytes()


def write_movie(path, _name):
    rows = background()
    with tempfile.TemporaryDirectory() as scratch:
        sound = os.path.join(scratch, "waves.wav")
        with wave.open(sound, "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(AUDIO_RATE)
            out.writeframes(waves())
        command = [
            "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
            "-f", "rawvideo", "-pix_fmt", "rgb24", "-s", f"{WIDTH}x{HEIGHT}", "-r", str(FPS),
            "-i", "pipe:0", "-i", sound,
            "-c:v", "mpeg1video", "-q:v", "3", "-c:a", "mp2", "-b:a", "128k", "-ar", "44100",
            "-ac", "2", "-shortest", "-f", "mpeg", path,
        ]
        encoder = subprocess.Popen(command, stdin=subprocess.PIPE)
        for number in range(FPS * SECONDS):
            encoder.stdin.write(picture(rows, number))
        encoder.stdin.close()
        if encoder.wait() != 0:
            sys.exit(f"make-demo-movie: ffmpeg failed making {path}")


def main(argv):
    return make_outputs(argv, __file__, OUTPUTS, write_movie)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
