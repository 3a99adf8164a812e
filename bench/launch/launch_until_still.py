#!/usr/bin/env python3
"""Times opening a sermon: from launching the editor to the moment its screen stays still.

For each size it writes a generated sermon, launches the editor on it under an X display,
grabs the whole screen every few milliseconds and notes when the picture last changed; the
screen counts as still once it has not changed for --settle seconds. It prints, per size, the
median of the runs of the time the window was first drawn and of the time it came to rest.

    bench/launch/launch_until_still.py --app build/rel/src/kestrion --display :36

Start the display first (Xvfb :36 -screen 0 1600x1000x24 and a window manager on it). Each run
has a fresh home and runtime folder, so no setting, recovery copy or running instance of an
earlier run plays a part. Prints figures only; asserts nothing.
"""

import argparse
import ctypes
import ctypes.util
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time


class XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, enough to read the pixels.
    _fields_ = [
        ("width", ctypes.c_int),
        ("height", ctypes.c_int),
        ("xoffset", ctypes.c_int),
        ("format", ctypes.c_int),
        ("data", ctypes.c_void_p),
        ("byte_order", ctypes.c_int),
        ("bitmap_unit", ctypes.c_int),
        ("bitmap_bit_order", ctypes.c_int),
        ("bitmap_pad", ctypes.c_int),
        ("depth", ctypes.c_int),
        ("bytes_per_line", ctypes.c_int),
        ("bits_per_pixel", ctypes.c_int),
    ]


class Screen:
    """Grabs the root window of an X display as bytes."""

    ALL_PLANES = 0xFFFFFFFF
    Z_PIXMAP = 2

    def __init__(self, display):
        self.x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.POINTER(XImage)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        self.x.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.display = self.x.XOpenDisplay(display.encode())
        if not self.display:
            sys.exit(f"cannot open display {display}")
        self.root = self.x.XDefaultRootWindow(self.display)
        self.width = self.x.XDisplayWidth(self.display, 0)
        self.height = self.x.XDisplayHeight(self.display, 0)

    def grab(self):
        image = self.x.XGetImage(self.display, self.root, 0, 0, self.width, self.height,
                                 self.ALL_PLANES, self.Z_PIXMAP)
        if not image:
            return b""
        try:
            return ctypes.string_at(image.contents.data, image.contents.bytes_per_line * image.contents.height)
        finally:
            self.x.XDestroyImage(image)


def write_sermon(path, nodes):
    """A title, main points, sub-points and lines of wording below them: about `nodes` nodes."""
    mains = 10 if nodes <= 10_000 else 20
    subs = 10 if nodes <= 10_000 else 25
    leaves = max(1, round((nodes - 1 - mains - mains * subs) / (mains * subs)))
    lines = ["---", "scripture: John 10:1-18", "---", "", "# The Good Shepherd", ""]
    count = 1
    for m in range(1, mains + 1):
        lines += [f"## Point {m}: the sheep hear his voice", ""]
        count += 1
        for s in range(1, subs + 1):
            lines += [f"### Part {m}.{s}: he calls his own by name", ""]
            count += 1
            for leaf in range(1, leaves + 1):
                lines.append(f"Line {m}.{s}.{leaf}: he goes before them, and the sheep follow him")
                count += 1
            lines.append("")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    return count


class Editor:
    """The editor launched on a sermon under an X display, with a fresh home and runtime folder,
    so that no setting, recovery copy or running instance of an earlier run plays a part. Closing
    it waits until the screen is as it was before it started."""

    def __init__(self, app, display, sermon, screen):
        self.screen = screen
        self.before = screen.grab()
        self.home = tempfile.mkdtemp(prefix="launch-home-")
        runtime = os.path.join(self.home, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ, DISPLAY=display, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   XDG_DATA_HOME=os.path.join(self.home, ".local/share"), XDG_RUNTIME_DIR=runtime,
                   XDG_CACHE_HOME=os.path.join(self.home, ".cache"))
        env.pop("QT_QPA_PLATFORM", None)
        self.started = time.monotonic()
        self.process = subprocess.Popen([app, sermon], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        # The window gone, the screen is as it was before the next run begins.
        deadline = time.monotonic() + 5
        while self.screen.grab() != self.before and time.monotonic() < deadline:
            time.sleep(0.05)
        shutil.rmtree(self.home, ignore_errors=True)


def changes_until_still(screen, start, last, settle, interval, timeout, awaits_change=True):
    """Grabs the screen every interval seconds from start until it has not changed for settle
    seconds since its last change (or timeout has passed); gives the times of the changes from
    start. last is the picture before start. Unless it awaits a change, a screen that does not
    change at all is still after settle seconds."""
    changes = []
    next_grab = start
    while True:
        now = time.monotonic()
        frame = screen.grab()
        if frame != last:
            changes.append(now - start)
            last = frame
        if (changes or not awaits_change) and now - start - (changes[-1] if changes else 0) >= settle:
            return changes
        if now - start > timeout:
            return changes
        next_grab += interval
        time.sleep(max(0.0, next_grab - time.monotonic()))


def one_run(args, screen, sermon):
    editor = Editor(args.app, args.display, sermon, screen)
    try:
        changes = changes_until_still(screen, editor.started, editor.before, args.settle, args.interval, args.timeout)
    finally:
        editor.close()
    if not changes:
        return None
    return changes[0], changes[-1]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--app", required=True, help="the editor's executable (a Release or RelWithDebInfo build)")
    parser.add_argument("--display", default=os.environ.get("DISPLAY", ":0"))
    parser.add_argument("--sizes", default="5000,50000", help="node counts, comma-separated")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--interval", type=float, default=0.01, help="seconds between screen grabs")
    parser.add_argument("--settle", type=float, default=1.5, help="seconds without change that count as still")
    parser.add_argument("--timeout", type=float, default=20.0)
    args = parser.parse_args()

    screen = Screen(args.display)
    work = tempfile.mkdtemp(prefix="launch-sermons-")
    try:
        for size in (int(s) for s in args.sizes.split(",")):
            sermon = os.path.join(work, f"sermon-{size}.md")
            count = write_sermon(sermon, size)
            drawn, still = [], []
            for _ in range(args.runs):
                result = one_run(args, screen, sermon)
                if result:
                    drawn.append(result[0])
                    still.append(result[1])
            if not still:
                print(f"{count:>7} nodes: nothing was drawn")
                continue
            print(f"{count:>7} nodes: first drawn {statistics.median(drawn):.3f} s, "
                  f"still {statistics.median(still):.3f} s "
                  f"(median of {len(still)}; still per run: {', '.join(f'{t:.3f}' for t in still)})")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
