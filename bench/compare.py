#!/usr/bin/env python3
"""The comparisons of bench/run: each of our programs timed against a baseline that does
the same job, medians of several runs, one line per comparison.

bench/run builds the programs, starts the MariaDB server and the X server and calls this
with their whereabouts; it also stops them again. Everything this script creates lives in
the scratch folder it is given and is removed by bench/run.
"""

import argparse
import json
import os
import re
import select
import shutil
import signal
import statistics
import subprocess
import sys
import time
from pathlib import Path

SOURCE = Path(__file__).resolve().parent.parent
# A run that takes longer than this has hung: the comparison fails instead of waiting on.
RUN_TIMEOUT_SECONDS = 120


class BenchError(Exception):
    pass


def run(argv, *, stdin_text=None, env=None, check=True, merge_stderr=False):
    """Runs a command to its end; its wall time in seconds, from the start of the process
    to its exit, and its standard output (with its error output, if `merge_stderr`)."""
    start = time.perf_counter_ns()
    result = subprocess.run(argv, input=stdin_text, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT if merge_stderr else subprocess.PIPE,
                            text=True, timeout=RUN_TIMEOUT_SECONDS)
    elapsed = (time.perf_counter_ns() - start) / 1e9
    if check and result.returncode != 0:
        raise BenchError(f"{argv[0]} exited {result.returncode}: "
                         f"{(result.stderr or result.stdout).strip()[:500]}")
    return elapsed, result.stdout


def ratio_line(name, ours, ours_unit, base_name, base, goal):
    ratio = ours / base
    verdict = "met" if ratio <= goal else "MISSED"
    return (f"{name}: {ours:.3f} {ours_unit} vs {base_name} {base:.3f} {ours_unit}, "
            f"ratio {ratio:.3f} (goal <= {goal}; {verdict})")


# ---------------------------------------------------------------------------------------
# Attribute walk


def make_tree(build, path, folders, files):
    run([str(build / "bench" / "duza_make_tree"), str(path), str(folders), str(files)])
    # Write the new tree out now, so that its write-back does not fall into a timed run.
    os.sync()


def reset_tree(path):
    subprocess.run(["chmod", "-R", "u+w", str(path)], check=True)
    os.sync()


def remove_tree(path):
    if path.exists():
        # chmod -R a-w takes the folders' write permission; give it back to delete them.
        subprocess.run(["chmod", "-R", "u+w", str(path)], check=True)
        shutil.rmtree(path)


def attribute_walk(args, scratch):
    build = args.build
    cli = str(build / "cli" / "duza-cli")
    contenders = {
        "walk": lambda tree: [cli, "set-folder-attributes", str(tree), "--protect"],
        "chmod": lambda tree: ["chmod", "-R", "a-w", str(tree)],
        # Comparable work: the same extended attribute on every item below the folder,
        # then the permission change. setfattr reads a value starting with 0x as hex
        # digits; in double quotes it is the text itself.
        "chmod+setfattr": lambda tree: [
            "sh", "-c",
            'find "$1" -mindepth 1 -exec setfattr -n user.DOSATTRIB -v \'"0x1"\' {} + '
            '&& chmod -R a-w "$1"', "sh", str(tree)],
    }
    # One tree per contender, made once: making 55,000 items takes far longer than
    # changing them. Each is changed once unmeasured (so that every measured walk replaces
    # an attribute that is there, as every later walk over a site does), then before each
    # measured run put back to the made state: chmod -R u+w gives files 0644 and folders
    # 0755 again.
    trees = {name: scratch / f"tree-{name}" for name in contenders}
    for name, tree in trees.items():
        remove_tree(tree)
        make_tree(build, tree, args.folders, args.files)
        run(contenders[name](tree))
        if name == "walk":
            check_walk_result(tree)
    times = {name: [] for name in contenders}
    for _ in range(args.walk_repetitions):
        for name, command in contenders.items():
            reset_tree(trees[name])
            elapsed, _ = run(command(trees[name]))
            times[name].append(elapsed)
    for tree in trees.values():
        remove_tree(tree)
    walk = statistics.median(times["walk"])
    what = f"attribute walk ({args.files} files in {args.folders} folders, median of " \
           f"{args.walk_repetitions})"
    print(ratio_line(what, walk, "s", "chmod -R a-w (writes no extended attribute)", statistics.median(times["chmod"]), 1.5))
    print(ratio_line(what, walk, "s", "setfattr per item + chmod -R a-w",
                     statistics.median(times["chmod+setfattr"]), 1.5))


def check_walk_result(tree):
    """The walk really did its work: a file lost its write permission and carries the
    attribute. A walk that did nothing would be fast for the wrong reason."""
    sample = next(p for p in tree.rglob("*") if p.is_file())
    mode = sample.stat().st_mode & 0o222
    value = os.getxattr(sample, "user.DOSATTRIB")
    if mode != 0 or value not in (b"0x1", b"0x3", b"0x0"):
        raise BenchError(f"the walk left {sample} with mode {oct(mode)} and {value!r}")


# ---------------------------------------------------------------------------------------
# Update run


def read_state(path):
    state = {}
    for line in Path(path).read_text().splitlines():
        key, _, value = line.partition("=")
        state[key] = value
    return state


def statement_texts():
    """The two CREATE TABLE statements as the update run sends them, read from its header
    so that the baseline never drifts from what the run executes."""
    header = (SOURCE / "app" / "update_run.h").read_text()
    statements = []
    for name in ("kCreateFinPeriod", "kCreateFinPeriod2Pos"):
        match = re.search(r"\b" + name + r"\s*=\s*((?:\s*u\"(?:[^\"\\]|\\.)*\")+)\s*;", header)
        if not match:
            raise BenchError(f"{name} not found in app/update_run.h")
        statements.append("".join(re.findall(r'u"((?:[^"\\]|\\.)*)"', match.group(1))))
    return statements


def update_run(args, scratch):
    build = args.build
    cli = str(build / "cli" / "duza-cli")
    state = read_state(args.db_state)
    port, password, user = state["port"], state["password"], state["user"]

    plain = ("Provider=MSDASQL;Driver={MariaDB Unicode};Server=127.0.0.1;"
             f"Port={port};Database=VIVI;User ID=x;Password=y;")
    _, encoded = run([cli, "encode", plain])
    encoded = encoded.strip()
    web_dir = scratch / "web"
    web_dir.mkdir(exist_ok=True)
    fixture = (SOURCE / "tests" / "data" / "web.config").read_bytes()
    web_config, count = re.subn(rb'(key="VAREDO" value=")[^"]*(")',
                                lambda m: m.group(1) + encoded.encode() + m.group(2), fixture)
    if count != 1:
        raise BenchError("tests/data/web.config has no single VAREDO entry")
    (web_dir / "web.config").write_bytes(web_config)

    # What the connection hands to the driver manager for that string and login; the
    # baseline connects with exactly this through the same driver.
    odbc = (f"Driver={{MariaDB Unicode}};Server=127.0.0.1;Port={port};Database=VIVI;"
            f"UID={user};PWD={password};")
    statements = statement_texts()
    # -3 ODBC 3, -e direct execution, -k SQLDriverConnect with a connection string, as the
    # connection does. (isql makes the narrow calls, which the driver manager widens for
    # the Unicode driver; its wide twin iusql takes no connection string.)
    baseline = ["isql", "-b", "-3", "-e", "-k", odbc]
    baseline_input = "\n".join(statements) + "\n"
    ours = [cli, "update", "--web-dir", str(web_dir), "--sql-login", user, "--password-stdin"]

    mariadb = ["mariadb", "--no-defaults", "--protocol=socket", f"--socket={state['socket']}",
               "--user=root", "--batch", "--skip-column-names"]

    def drop_tables():
        run(mariadb + ["-e", "DROP TABLE IF EXISTS VIVI.FINPERIOD2POS, VIVI.FINPERIOD"])

    def created_tables():
        _, out = run(mariadb + ["-e", "SELECT table_name FROM information_schema.tables "
                                      "WHERE table_schema = 'VIVI' ORDER BY table_name"])
        return out.split()

    def run_ours():
        elapsed, out = run(ours, stdin_text=password + "\n")
        if "Update successful!" not in out:
            raise BenchError(f"the update did not succeed: {out.strip()[:500]}")
        return elapsed

    def run_baseline():
        elapsed, out = run(baseline, stdin_text=baseline_input, merge_stderr=True)
        # isql reports a failed statement on its error output and still exits 0.
        if "error" in out.lower():
            raise BenchError(f"isql reported an error: {out.strip()[:500]}")
        return elapsed

    # Both sides must really create both tables, or the comparison means nothing.
    for side in (run_ours, run_baseline):
        drop_tables()
        side()
        if created_tables() != ["FINPERIOD", "FINPERIOD2POS"]:
            raise BenchError(f"{side.__name__} left the tables {created_tables()}")

    times = {"ours": [], "baseline": []}
    for _ in range(args.update_repetitions):
        for name, side in (("ours", run_ours), ("baseline", run_baseline)):
            drop_tables()
            times[name].append(side())
    drop_tables()
    ms = lambda values: statistics.median(values) * 1000
    print(ratio_line(f"update run (duza-cli update, median of {args.update_repetitions})",
                     ms(times["ours"]), "ms", "isql, same two statements",
                     ms(times["baseline"]), 1.1))


# ---------------------------------------------------------------------------------------
# Window start


def first_paint(argv, env):
    """Starts `program`, which prints "first-paint NS" (CLOCK_MONOTONIC) at its first paint
    and exits; returns the seconds from just before the start to that paint and the peak
    resident set size in KiB, as the kernel reports it to the parent."""
    read_end, write_end = os.pipe()
    start = time.clock_gettime_ns(time.CLOCK_MONOTONIC)
    program = argv[0]
    pid = os.posix_spawn(program, argv, env, file_actions=[
        (os.POSIX_SPAWN_DUP2, write_end, 1), (os.POSIX_SPAWN_CLOSE, read_end)])
    os.close(write_end)
    output = b""
    deadline = time.monotonic() + RUN_TIMEOUT_SECONDS
    try:
        while True:
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise BenchError(f"{program} did not paint within {RUN_TIMEOUT_SECONDS} s")
            ready, _, _ = select.select([read_end], [], [], remaining)
            if not ready:
                continue
            chunk = os.read(read_end, 4096)
            if not chunk:
                break
            output += chunk
    except BaseException:
        os.kill(pid, signal.SIGKILL)
        raise
    finally:
        os.close(read_end)
        _, status, usage = os.wait4(pid, 0)
    match = re.search(rb"first-paint (\d+)", output)
    if os.waitstatus_to_exitcode(status) != 0 or not match:
        raise BenchError(f"{program} exited {os.waitstatus_to_exitcode(status)} "
                         f"without a first paint: {output[:300]!r}")
    return (int(match.group(1)) - start) / 1e9, usage.ru_maxrss


def window_start(args, platform_name, extra_env):
    build = args.build
    env = {key: value for key, value in os.environ.items()
           if not key.startswith("QT_") and key != "DISPLAY"}
    env.update(extra_env)
    runtime = args.scratch / "xdg-runtime"
    runtime.mkdir(mode=0o700, exist_ok=True)
    env["XDG_RUNTIME_DIR"] = str(runtime)
    minimal = str(build / "bench" / "duza_minimal_window")
    programs = {"ours": [str(build / "bench" / "duza_window_first_paint")],
                "bare": [minimal],
                "label": [minimal, "--label"]}
    times = {name: [] for name in programs}
    peaks = {name: [] for name in programs}
    # One start of each first, unmeasured, so that all find their libraries in the cache.
    for argv in programs.values():
        first_paint(argv, env)
    for _ in range(args.window_repetitions):
        for name, argv in programs.items():
            elapsed, peak = first_paint(argv, env)
            times[name].append(elapsed)
            peaks[name].append(peak)
    what = f"window start to first paint ({platform_name}, median of {args.window_repetitions})"
    ms = lambda values: statistics.median(values) * 1000
    mib = lambda values: statistics.median(values) / 1024
    for name, baseline in (("bare", "minimal QWidget"),
                           ("label", "minimal QWidget + one text label")):
        print(ratio_line(what, ms(times["ours"]), "ms", baseline, ms(times[name]), 1.2))
    for name, baseline in (("bare", "minimal QWidget"),
                           ("label", "minimal QWidget + one text label")):
        print(ratio_line(f"window peak memory ({platform_name}, max RSS, median)",
                         mib(peaks["ours"]), "MiB", baseline, mib(peaks[name]), 1.2))


# ---------------------------------------------------------------------------------------
# Codec


def codec(args):
    _, out = run([str(args.build / "bench" / "duza_codec_bench"), "--benchmark_format=json",
                  "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"])
    results = {b["name"]: b for b in json.loads(out)["benchmarks"]}
    for operation in ("Decode", "Encode"):
        median = results[f"BM_{operation}_median"]
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[median["time_unit"]]
        # Wall time is the figure; the processor time beside it shows what other load on
        # the machine took from it.
        micro, cpu = median["real_time"] * scale, median["cpu_time"] * scale
        what = (f"codec {operation.lower()} (200 characters, Google Benchmark median of 5): "
                f"{micro:.3f} us (processor time {cpu:.3f} us)")
        if operation == "Decode":
            verdict = "met" if micro < 2 else "MISSED"
            print(f"{what} vs goal 2 us, ratio {micro / 2:.2f} (goal < 1; {verdict})")
        else:
            print(f"{what}, no goal")


def stop_on_signal(number, _frame):
    # An exception, so that the command running at the moment is killed on the way out
    # (subprocess.run does so) instead of going on after bench/run has cleaned up.
    raise SystemExit(128 + number)


def main():
    for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        signal.signal(number, stop_on_signal)
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--scratch", type=Path, required=True)
    parser.add_argument("--db-state", type=Path)
    parser.add_argument("--display")
    parser.add_argument("--only", action="append",
                        choices=["codec", "walk", "update", "window"])
    parser.add_argument("--folders", type=int, default=5000)
    parser.add_argument("--files", type=int, default=50000)
    parser.add_argument("--walk-repetitions", type=int, default=9)
    parser.add_argument("--update-repetitions", type=int, default=30)
    parser.add_argument("--window-repetitions", type=int, default=20)
    args = parser.parse_args()
    parts = args.only or ["codec", "walk", "update", "window"]
    failed = False
    for part in parts:
        try:
            if part == "codec":
                codec(args)
            elif part == "walk":
                attribute_walk(args, args.scratch)
            elif part == "update":
                update_run(args, args.scratch)
            elif part == "window":
                if args.display:
                    window_start(args, "Xvfb", {"DISPLAY": args.display,
                                                "QT_QPA_PLATFORM": "xcb"})
                window_start(args, "offscreen", {"QT_QPA_PLATFORM": "offscreen"})
        except (BenchError, subprocess.SubprocessError, OSError) as error:
            failed = True
            print(f"{part}: FAILED: {error}")
        sys.stdout.flush()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
