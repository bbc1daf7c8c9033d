#!/usr/bin/env python3
"""Whole-program figures, measured in one run under Xvfb:

- render: `meridiana-cli render` of the map (1024 x 512 PNG) as a whole process, against xplanet
  drawing the same size of day/night map of the Earth (rectangular projection, its own day and
  night pictures), the two taking turns, median of RENDERS runs each (11 unless given); the
  night-map command of the issue and the day map with the sun shadow, which is the picture
  xplanet draws;
- start to first map: from exec to the first painted map (the program reports it on the
  monotonic clock with MERIDIANA_REPORT_FIRST_PAINT), against a bare Qt window showing a
  1024 x 512 picture (bench/bare_window), median of several starts each, taken in turns; and,
  for scale, the same bare window drawing one line of text (the font database every window with
  a menu, a title or a status line needs, which the picture-only window never sets up);
- idle cost: CPU time used over a minute by the shown window with 20 marked cities (from
  /proc/<pid>/stat), and its resident memory.

The window runs with MERIDIANA_FORBID_DEFAULT_SOURCES set and live data off, so that it starts
no download; the script says so if anything tried.

Usage: xvfb-run -a -s "-screen 0 1280x800x24" python3 bench/whole_program.py BUILD_DIR [STARTS] [IDLE_SECONDS] [RENDERS]
A count of 0 leaves that part out (IDLE_SECONDS 0: no idle figure). With AGAINST=OTHER_BUILD the
starts are also compared with another build's, in turns, in each language of LANGUAGES (en,jp).
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/release")
starts = int(sys.argv[2]) if len(sys.argv) > 2 else 5
idle_seconds = int(sys.argv[3]) if len(sys.argv) > 3 else 60
renders = int(sys.argv[4]) if len(sys.argv) > 4 else 11
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
               MERIDIANA_REPORT_FIRST_PAINT="1",
               MERIDIANA_FORBID_DEFAULT_SOURCES=os.path.join(home, "forbidden.log"))
    return env


def timed_run(command, cwd):
    """Wall-clock seconds of one whole process. Without DISPLAY: both write a file, and xplanet
    (1.3.1) sometimes crashes at exit when it has an X display to talk to."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    start = time.perf_counter()
    subprocess.run(command, cwd=cwd, env=env, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def render_figures(work):
    """meridiana-cli render against xplanet, taking turns, medians."""
    cli = os.path.join(build, "stage", "meridiana-cli")
    at, date = "2024-05-10T15:00:00Z", "20240510.150000"
    xplanet = ["xplanet", "-num_times", "1", "-projection", "rectangular", "-geometry", "1024x512",
               "-date", date, "-output", os.path.join(work, "xplanet.png")]
    ours = {layers: [cli, "render", "--at", at, "--layers", layers, "--out",
                     os.path.join(work, "map.png")] for layers in ("day,night,shadow", "day,shadow")}
    times = {name: [] for name in [*ours, "xplanet"]}
    for name, command in [*ours.items(), ("xplanet", xplanet)]:
        timed_run(command, work)  # page cache and the first run's faults
    for _ in range(renders):
        for name, command in ours.items():
            times[name].append(timed_run(command, work))
        times["xplanet"].append(timed_run(xplanet, work))
    peer = statistics.median(times["xplanet"])
    print(f"render 1024 x 512 PNG, medians of {renders}, taking turns: xplanet {peer * 1000:.1f} ms")
    for name in ours:
        median = statistics.median(times[name])
        print(f"  meridiana-cli render --layers {name}: {median * 1000:.1f} ms, "
              f"{peer / median:.1f} x faster than xplanet")


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


def cpu_seconds_exact(pid):
    """The same from the scheduler's nanosecond account of every thread (threads that ended
    meanwhile are not counted, so it is a floor)."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
        except OSError:
            pass
    return total / 1e9


def resident_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


with tempfile.TemporaryDirectory() as home:
    if renders > 0:
        if shutil.which("xplanet") is None:
            print("render: xplanet is not installed (apt-get install xplanet), left out")
        else:
            render_figures(home)
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
    # The installed defaults turn City Selection on. Live data off: nothing is downloaded.
    config = os.path.join(home, ".config", "quillary")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "current-user.ini"), "w") as f:
        f.write("[Software\\QUILLARY\\Meridiana]\nlive=0\n")

    # The two programs take turns, so that whatever else the machine does meanwhile falls on
    # both alike.
    picture = os.path.join(build, "stage", "images", "earth_day.bmp")
    ours, peer, peer_text = [], [], []
    for _ in range(starts if starts > 0 else 0):
        ours.append(first_paint([program], env))
        peer.append(first_paint([bare, picture], env))
        peer_text.append(first_paint([bare, "--text", picture], env))
    if starts > 0:
        ours_median, peer_median = statistics.median(ours), statistics.median(peer)
        text_median = statistics.median(peer_text)
        print(f"start to first map: meridiana {ours_median * 1000:.0f} ms, bare Qt window "
              f"{peer_median * 1000:.0f} ms, ratio {ours_median / peer_median:.2f} "
              f"(medians of {starts})")
        print(f"  for scale: the bare window with one line of text {text_median * 1000:.0f} ms, "
              f"ratio {ours_median / text_median:.2f}")

    # AGAINST=OTHER_BUILD: this build's start against another's (an earlier commit), taking turns,
    # in each interface language of LANGUAGES ("en,jp" unless given).
    against = os.environ.get("AGAINST")
    if against and starts > 0:
        other = os.path.join(os.path.abspath(against), "stage", "meridiana")
        for language in os.environ.get("LANGUAGES", "en,jp").split(","):
            with open(os.path.join(config, "local-machine.ini"), "w") as f:
                f.write(f"[Software\\Quillary\\Common]\nlang={'' if language == 'en' else language}\n")
            this_build, other_build = [], []
            for _ in range(starts):
                this_build.append(first_paint([program], env))
                other_build.append(first_paint([other], env))
            print(f"start to first map in {language}: this build "
                  f"{statistics.median(this_build) * 1000:.0f} ms, {against} "
                  f"{statistics.median(other_build) * 1000:.0f} ms (medians of {starts}, in turns)")
        os.remove(os.path.join(config, "local-machine.ini"))

    if idle_seconds > 0:
        process = subprocess.Popen([program], env=env, stderr=subprocess.PIPE,
                                   stdout=subprocess.DEVNULL, text=True)
        try:
            for line in process.stderr:
                if line.startswith("first-paint "):
                    break
            time.sleep(5)  # start-up work done: the clock ticks, nothing else
            before, before_exact = cpu_seconds(process.pid), cpu_seconds_exact(process.pid)
            time.sleep(idle_seconds)
            used = cpu_seconds(process.pid) - before
            used_exact = cpu_seconds_exact(process.pid) - before_exact
            print(f"idle: {100 * used / idle_seconds:.3f} % of one core over {idle_seconds} s "
                  f"({100 * used_exact / idle_seconds:.3f} % by the scheduler's clock), "
                  f"resident {resident_mb(process.pid):.1f} MB")
        finally:
            process.terminate()
            process.wait(timeout=10)
    forbidden = os.path.join(home, "forbidden.log")
    if os.path.exists(forbidden):
        print("note: something tried a default live source:", open(forbidden).read().strip())
