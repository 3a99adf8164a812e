#!/usr/bin/env python3
"""Times switching a window's mode: from the mode key to the moment the screen stays still.

For each size it opens a sermon of sentences of ordinary length (the sample sermon for
"sample"), waits until the window is still, then presses Ctrl+3 (columns), Ctrl+1 (map),
Ctrl+2 (delivery) and Ctrl+1 (map) with xdotool, each once the screen is still again, and
notes when the picture last changed after each key; the screen counts as still once it has
not changed for --settle seconds. It prints, per size and switch, the median of the runs (each
run a fresh launch). Given several builds, it takes turns between them run by run, so that each
meets the same load.

    bench/launch/switch_until_still.py --app build/bench/src/kestrion --display :45

Start the display first (Xvfb :45 -screen 0 1600x1000x24 and a window manager on it). Prints
figures only; asserts nothing.
"""

import argparse
import itertools
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from launch_until_still import Editor, Screen, changes_until_still  # noqa: E402

SAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data", "sample-sermon.md")
SWITCHES = [("columns", "ctrl+3"), ("map", "ctrl+1"), ("delivery", "ctrl+2"), ("map", "ctrl+1")]

# The commonest words, then made-up words of one to four syllables: a vocabulary that grows
# with the sermon as a real one does, each word drawn as often as its rank's share (Zipf).
COMMON = """the and of to a in that he i it his was for is with as be they shall not him but you
all them by have are unto which my this said their will from me we on so what your there when
who one man were god lord our had then if let come know us into out may love shepherd sheep
voice door life good name fold flock father son church hope grace pasture""".split()
SYLLABLES = [c + v for c in ["b", "c", "d", "f", "g", "h", "l", "m", "n", "p", "r", "s", "t", "v", "w", "th",
                             "st", "gr", "pr"] for v in ["a", "e", "i", "o", "u", "ea", "ou"]]


def vocabulary(rng, size=30_000):
    words = list(COMMON)
    seen = set(words)
    while len(words) < size:
        word = "".join(rng.choice(SYLLABLES) for _ in range(rng.choice([1, 2, 2, 3, 3, 4])))
        if word not in seen:
            seen.add(word)
            words.append(word)
    return words, list(itertools.accumulate(1.0 / rank for rank in range(1, size + 1)))


def sentence(rng, words):
    text = " ".join(rng.choices(words[0], cum_weights=words[1], k=rng.randint(8, 25)))
    return text[0].upper() + text[1:] + "."


def write_worded_sermon(path, nodes, seed=7):
    """A title, main points, sub-points, points and some points below them, each a sentence of
    8 to 25 words: about `nodes` nodes."""
    rng = random.Random(seed)
    words = vocabulary(rng)
    mains = 10 if nodes <= 10_000 else 25
    # Each sub-point holds 8 points, every third with a point of its own below it.
    per_sub = 1 + 8 + 3
    subs = max(1, round((nodes - 1 - mains) / (mains * per_sub)))
    lines = ["---", "scripture: John 10:1-18", "---", "", "# " + sentence(rng, words), ""]
    count = 1
    for _ in range(mains):
        lines += ["## " + sentence(rng, words), ""]
        count += 1
        for _ in range(subs):
            lines += ["### " + sentence(rng, words), ""]
            count += 1
            for point in range(8):
                lines.append("- " + sentence(rng, words))
                count += 1
                if point % 3 == 0:
                    lines.append("  - " + sentence(rng, words))
                    count += 1
            lines.append("")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    return count


def editor_window(pid, env, timeout):
    """The id of the editor's document window once it is shown."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                               env=env, capture_output=True, text=True).stdout.split()
        if found:
            return found[-1]
        time.sleep(0.1)
    return None


def one_run(args, app, screen, sermon):
    """Launches the editor on the sermon and times each switch; a time or None per switch."""
    editor = Editor(app, args.display, sermon, screen)
    times = [None] * len(SWITCHES)
    try:
        changes_until_still(screen, editor.started, editor.before, args.settle, args.interval, args.timeout)
        env = dict(os.environ, DISPLAY=args.display)
        window = editor_window(editor.process.pid, env, args.timeout)
        if not window:
            return times
        subprocess.run(["xdotool", "windowactivate", "--sync", window], env=env, capture_output=True)
        for i, (_, key) in enumerate(SWITCHES):
            # Quiet before the key, so that nothing else is under way.
            last = screen.grab()
            changes_until_still(screen, time.monotonic(), last, args.quiet, args.interval, args.timeout, False)
            last = screen.grab()
            start = time.monotonic()
            subprocess.run(["xdotool", "key", "--clearmodifiers", key], env=env, check=True)
            changes = changes_until_still(screen, start, last, args.settle, args.interval, args.timeout)
            if changes:
                times[i] = changes[-1]
    finally:
        editor.close()
    return times


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--app", required=True, nargs="+",
                        help="the editor's executables (Release or RelWithDebInfo builds)")
    parser.add_argument("--display", default=os.environ.get("DISPLAY", ":0"))
    parser.add_argument("--sizes", default="sample,5000,50000", help="'sample' or node counts, comma-separated")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--interval", type=float, default=0.01, help="seconds between screen grabs")
    parser.add_argument("--settle", type=float, default=1.0, help="seconds without change that count as still")
    parser.add_argument("--quiet", type=float, default=1.0, help="seconds of stillness before each key")
    parser.add_argument("--timeout", type=float, default=120.0)
    args = parser.parse_args()

    screen = Screen(args.display)
    work = tempfile.mkdtemp(prefix="switch-sermons-")
    try:
        for size in args.sizes.split(","):
            if size == "sample":
                sermon = os.path.join(work, "sample-sermon.md")
                shutil.copyfile(SAMPLE, sermon)
                label = "sample"
            else:
                sermon = os.path.join(work, f"sermon-{size}.md")
                label = f"{write_worded_sermon(sermon, int(size))} nodes"
            runs = {app: [] for app in args.app}
            for _ in range(args.runs):
                for app in args.app:
                    runs[app].append(one_run(args, app, screen, sermon))
            for app in args.app:
                name_of_app = f" {app}" if len(args.app) > 1 else ""
                for i, (name, key) in enumerate(SWITCHES):
                    times = [run[i] for run in runs[app] if run[i] is not None]
                    if not times:
                        print(f"{label:>12} {key} {name:<9} no change seen{name_of_app}")
                        continue
                    print(f"{label:>12} {key} {name:<9} still after {statistics.median(times):.3f} s "
                          f"(median of {len(times)}: {', '.join(f'{t:.3f}' for t in times)}){name_of_app}",
                          flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
