"""What the kit's tests share: running the kit as its user does, pictures to feed it, the test
run's Wine, and one comparison of pictures that fails in seconds, naming the first pixel that
differs.

ctest runs them (tests/release/CMakeLists.txt); the tests of check and disk need its Wine
fixture and build, given as QV_WINETEST_STATE and QV_BUILD; those of import Debian's packages of
other desktops' themes, fetched into the build."""
import os
import random
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from PIL import Image

from .bitmaps import FACE, STANDARD

SOURCE = Path(__file__).resolve().parents[2]
KIT = SOURCE / "scripts" / "qvtheme.py"


def build_folder():
    """The build the tests of check and disk use: its qvcheck.exe and the module's test programs."""
    if "QV_BUILD" not in os.environ:
        raise RuntimeError("these tests use a build and the test run's Wine: run them through "
                           "ctest, or set QV_BUILD and QV_WINETEST_STATE")
    return Path(os.environ["QV_BUILD"])


def wine_env():
    """The environment of the test run's Wine prefix and display (the fixture's state/env)."""
    build_folder()
    env = dict(os.environ)
    for line in (Path(os.environ["QV_WINETEST_STATE"]) / "env").read_text().splitlines():
        name, _, value = line.removeprefix("export ").partition("=")
        env[name] = shlex.split(value)[0] if value else ""
    return env


def kit(*args, status=0, env=None, cwd=None):
    """Runs the kit (in cwd), which must end with status."""
    build = ["--build", os.environ["QV_BUILD"]] if "QV_BUILD" in os.environ else []
    done = subprocess.run([sys.executable, str(KIT)] + build + [str(a) for a in args],
                          capture_output=True, text=True, env=env, cwd=cwd)
    if done.returncode != status:
        raise AssertionError("exit status %d: %s" % (done.returncode, done.stdout + done.stderr))
    return done


def work_folder(test):
    """A fresh folder for one test, removed after it."""
    folder = Path(tempfile.mkdtemp(prefix="qvkit-test."))
    test.addCleanup(shutil.rmtree, folder, ignore_errors=True)
    return folder


def windows(path):
    return "Z:" + str(path).replace("/", "\\")


def picture(size, colour=(0, 0, 0, 255)):
    return Image.new("RGBA", size, colour)


def random_picture(size, seed):
    """A picture of 16 of the standard colours and the light grey (which then takes black's
    place in the table), different for each seed."""
    rng = random.Random(seed)
    image = Image.new("RGB", size)
    image.putdata([rng.choice(STANDARD[1:]) for _ in range(size[0] * size[1])])
    return image


def framed(size, glyph=lambda x, y: False):
    """A caption button as the system draws one, (w, h) pixels: two bevel lines on each side, lit
    above and left, the face inside them, and a glyph in dark red where glyph(x, y) holds. Its
    bevels are the same drawn at any size, so a test can draw what a fit must give."""
    w, h = size
    near, far = [(223, 223, 223), (255, 255, 255)], [(0, 0, 0), (128, 128, 128)]
    image = Image.new("RGB", size)
    image.putdata([far[min(w - 1 - x, h - 1 - y)] if min(w - 1 - x, h - 1 - y) < 2 else
                   near[min(x, y)] if min(x, y) < 2 else (128, 0, 0) if glyph(x, y) else FACE
                   for y in range(h) for x in range(w)])
    return image


def assert_same_picture(expected, actual, what="the picture"):
    """Fails unless the two pictures have the same size and pixels. They are compared as bytes
    and only the first pixel that differs is named, so a failure is as quick as a pass."""
    expected, actual = expected.convert("RGB"), actual.convert("RGB")
    if expected.size != actual.size:
        raise AssertionError("%s is %d x %d, not %d x %d" % ((what,) + actual.size + expected.size))
    want, got = expected.tobytes(), actual.tobytes()
    if want != got:
        first = next(i for i, (a, b) in enumerate(zip(want, got)) if a != b) // 3
        x, y = first % expected.width, first // expected.width
        raise AssertionError("%s differs first at pixel (%d, %d): %s, not %s"
                             % (what, x, y, actual.getpixel((x, y)), expected.getpixel((x, y))))


# apt-get's words when no package registry answers (as against a package it does not know).
UNREACHABLE = ("Temporary failure resolving", "Could not resolve", "Unable to connect",
               "Could not connect", "Network is unreachable", "Connection timed out",
               "Connection failed")
SKIPPED = 77  # the exit status ctest is told means "skipped"


def unpacked_package(name):
    """Debian's package name unpacked into the build (QV_BUILD/import-data/<name>), fetched with
    apt-get download and dpkg-deb -x on first use; and its .deb's name, which gives its version.
    Skips the test when no package registry can be reached."""
    root = build_folder() / "import-data"
    target, marker = root / name, root / name / ".fetched"
    if marker.is_file():
        return target, marker.read_text()
    root.mkdir(parents=True, exist_ok=True)
    for old in root.glob(name + "_*.deb"):
        old.unlink()
    try:
        done = subprocess.run(["apt-get", "download", name], cwd=root, capture_output=True,
                              text=True, timeout=300)
    except FileNotFoundError:
        raise unittest.SkipTest("apt-get is missing, so Debian's %s cannot be fetched" % name)
    except subprocess.TimeoutExpired:
        raise unittest.SkipTest("no package registry answered apt-get download %s in 300 s"
                                % name)
    if done.returncode and any(words in done.stderr for words in UNREACHABLE):
        raise unittest.SkipTest("no package registry can be reached (apt-get download %s: %s)"
                                % (name, done.stderr.strip().splitlines()[-1]))
    debs = sorted(root.glob(name + "_*.deb"))
    if done.returncode or len(debs) != 1:
        raise AssertionError("apt-get download %s: %s" % (name, done.stderr))
    shutil.rmtree(target, ignore_errors=True)
    subprocess.run(["dpkg-deb", "-x", str(debs[0]), str(target)], check=True)
    marker.write_text(debs[0].name)
    return target, debs[0].name


def main_or_skipped():
    """Runs the calling module's tests; exits SKIPPED when they pass but some skipped (no package
    registry answered), so that ctest shows them as not run rather than passed."""
    result = unittest.main(exit=False, verbosity=2).result
    sys.exit(1 if not result.wasSuccessful() else SKIPPED if result.skipped else 0)
