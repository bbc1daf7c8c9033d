#!/usr/bin/env python3
"""Whole-program figures of the desktop program, measured in one run under Xvfb:

- start to first map: from exec to the first painted map (the program reports it on the
  monotonic clock with MERIDIANA_REPORT_FIRST_PAINT), against a bare Qt window showing a
  1024 x 512 picture (bench/bare_window), median of several starts each, taken in turns; and,
  for scale, the same bare window drawing one line of text (the font database every window with
  a menu, a title or a status line needs, which the picture-only window never sets up);
- idle cost: CPU time used over a minute by the shown window with 20 marked cities (from
  /proc/<pid>/stat), and its resident memory.

Usage: xvfb-run -a -s "-screen 0 1280x800x24" python3 bench/whole_program.py BUILD_DIR [STARTS] [IDLE_SECONDS]
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/release")
starts = int(sys.argv[2]) if len(sys.argv) > 2 else 5
idle_seconds = int(sys.argv[3]) if len(sys.argv) > 3 else 60
program = os.path.join(build, "stage", "meridiana")
bare = os.path.join(build, "bench", "bare_window")
ticks = os.sysconf("SC_CLK_TCK")


def environment(home):
    env = dict(os.environ)
    for name in ("MERIDIANA_HOME", "MERIDIANA_DATA"):
        env.pop(name, None)
    os.makedirs(os.path.join(home, "run"), mode=0o700, exist_ok=True)
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               XDG_RUNTIME_DIR=os.path.join(home, "run"), LANG="en_US.UTF-8",
               MERIDIANA_REPORT_FIRST_PAINT="1")
    return env


def first_paint(command, env):
    """Seconds from exec to the reported first paint; the process is ended afterwards."""
    # The X server and the kernel are still tearing the last process down for a moment after
    # it ended; a start measured meanwhile would share the machine with that.
    time.sleep(0.3)
    start = time.monotonic_ns()
    process = subprocess.Popen(command, env=env, stderr=subprocess.PIPE, stdout=subprocess.DEVNULL,
                               text=True)
    try:
        for line in process.stderr:
            if line.startswith("first-paint "):
                return (int(line.split()[1]) - start) / 1e9
        raise RuntimeError(f"{command[0]} ended without painting")
    finally:
        process.terminate()
        process.wait(timeout=10)


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / ticks


def resident_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


with tempfile.TemporaryDirectory() as home:
    env = environment(home)
    # Twenty marked cities from the shipped table, every 250th.
    data = os.path.join(home, ".local", "share", "meridiana")
    os.makedirs(data, exist_ok=True)
    cities = subprocess.run([os.path.join(build, "stage", "meridiana-cli"), "cities"],
                            capture_output=True, text=True, check=True).stdout.splitlines()[1:]
    marks = []
    for line in cities[::250][:20]:
        name, _, _, _, longitude = line.split("\t")[:5]
        marks.append(f"M={name},{int(float(longitude))}")
    with open(os.path.join(data, "config.ini"), "w") as f:
        f.write("version=0\nproduct=x\n" + "\n".join(marks) + "\n")
    # The installed defaults turn City Selection on.

    # The two programs take turns, so that whatever else the machine does meanwhile falls on
    # both alike.
    picture = os.path.join(build, "stage", "images", "earth_day.bmp")
    ours, peer, peer_text = [], [], []
    for _ in range(starts):
        ours.append(first_paint([program], env))
        peer.append(first_paint([bare, picture], env))
        peer_text.append(first_paint([bare, "--text", picture], env))
    ours_median, peer_median = statistics.median(ours), statistics.median(peer)
    text_median = statistics.median(peer_text)
    print(f"start to first map: meridiana {ours_median * 1000:.0f} ms, bare Qt window "
          f"{peer_median * 1000:.0f} ms, ratio {ours_median / peer_median:.2f} (medians of {starts})")
    print(f"  for scale: the bare window with one line of text {text_median * 1000:.0f} ms, "
          f"ratio {ours_median / text_median:.2f}")

    process = subprocess.Popen([program], env=env, stderr=subprocess.PIPE, stdout=subprocess.DEVNULL,
                               text=True)
    try:
        for line in process.stderr:
            if line.startswith("first-paint "):
                break
        time.sleep(5)  # start-up work done: the clock ticks, nothing else
        before = cpu_seconds(process.pid)
        time.sleep(idle_seconds)
        used = cpu_seconds(process.pid) - before
        print(f"idle: {100 * used / idle_seconds:.2f} % of one core over {idle_seconds} s, "
              f"resident {resident_mb(process.pid):.1f} MB")
    finally:
        process.terminate()
        process.wait(timeout=10)
