#!/usr/bin/env python3
"""Streams from an emulated camera through Aravis' GObject bindings and checks
every pixel against the camera's pattern: pixel (x, y) of the block with
identifier b holds (y * width + x + b) mod 256.

Usage: aravis_frames.py DEVICE-ID FRAMES"""
import sys

import gi

gi.require_version("Aravis", "0.8")
from gi.repository import Aravis  # noqa: E402

WIDTH, HEIGHT = 640, 480


def fail(message):
    print("aravis_frames: " + message)
    sys.exit(1)


def check(buffer):
    if buffer.get_status() != Aravis.BufferStatus.SUCCESS:
        fail("buffer status %s" % buffer.get_status().value_nick)
    if (buffer.get_image_width(), buffer.get_image_height()) != (WIDTH, HEIGHT):
        fail("image %dx%d" % (buffer.get_image_width(), buffer.get_image_height()))
    if buffer.get_image_pixel_format() != Aravis.PIXEL_FORMAT_MONO_8:
        fail("pixel format 0x%08x" % buffer.get_image_pixel_format())
    data = buffer.get_data()
    block = buffer.get_frame_id()
    pattern = bytes(range(256)) * (len(data) // 256 + 2)
    start = block % 256
    if data != pattern[start:start + len(data)]:
        wrong = next(i for i, byte in enumerate(data) if byte != (i + block) % 256)
        fail("block %d: pixel %d is %d, not %d" % (block, wrong, data[wrong], (wrong + block) % 256))
    return block


def main():
    device_id, wanted = sys.argv[1], int(sys.argv[2])
    camera = Aravis.Camera.new(device_id)
    camera.set_region(0, 0, WIDTH, HEIGHT)
    camera.set_pixel_format(Aravis.PIXEL_FORMAT_MONO_8)
    camera.set_acquisition_mode(Aravis.AcquisitionMode.CONTINUOUS)
    payload = camera.get_payload()
    if payload != WIDTH * HEIGHT:
        fail("payload %d" % payload)
    stream = camera.create_stream(None, None)
    for _ in range(4):
        stream.push_buffer(Aravis.Buffer.new_allocate(payload))
    camera.start_acquisition()
    blocks = []
    while len(blocks) < wanted:
        buffer = stream.timeout_pop_buffer(5000000)
        if buffer is None:
            fail("no buffer within 5 s after %d frames" % len(blocks))
        blocks.append(check(buffer))
        stream.push_buffer(buffer)
    camera.stop_acquisition()
    print("aravis_frames: %d frames of %dx%d Mono8 from %s, blocks %s, every pixel as the pattern"
          % (len(blocks), WIDTH, HEIGHT, device_id, blocks))


if __name__ == "__main__":
    main()
