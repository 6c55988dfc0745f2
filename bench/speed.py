#!/usr/bin/env python3
"""qtm-run against the machines compiled by hand into C, whole processes, best of three.

usage: bench/speed.py [--build build/release] [--reference ../shared/bench] [--runs 3]

The two C programs are compiled with gcc -O2 into a temporary directory. Each program runs --runs times;
the best CPU time (user + system, which load on the machine changes least) and the best wall time are
kept, and the ratios are compiled / qtm-run, so 1 is the speed of the compiled program.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def best(command, runs, expect):
    cpu = wall = None
    for _ in range(runs):
        start = time.perf_counter()
        child = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        out = child.stdout.read().decode("utf-8", "replace")
        _, _, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
        if expect not in out:
            sys.exit("%s: expected %r in its output, got %r" % (" ".join(command), expect, out[:300]))
        used = usage.ru_utime + usage.ru_stime
        cpu = used if cpu is None else min(cpu, used)
        wall = elapsed if wall is None else min(wall, elapsed)
    return cpu, wall


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "release"))
    parser.add_argument("--reference", default=os.path.join(ROOT, "..", "shared", "bench"))
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    run = os.path.join(args.build, "qtm-run")
    machines = os.path.join(HERE, "machines")
    with tempfile.TemporaryDirectory() as temp:
        compiled = {}
        for name in ("bb5_compiled", "counter_compiled"):
            compiled[name] = os.path.join(temp, name)
            subprocess.check_call(["gcc", "-O2", "-o", compiled[name], os.path.join(args.reference, name + ".c")])
        cases = [
            ("five-state busy beaver, --dies 99", [compiled["bb5_compiled"]], "steps 47176870",
             [run, os.path.join(machines, "beaver.qtm"), "--dies", "99", "--max-steps", "100000000"],
             "шагов: 47176870"),
            ("24-bit counter, DiesCount 1", [compiled["counter_compiled"], "24"], "steps 838860799",
             [run, os.path.join(machines, "counter24.qtm"), "--max-steps", "1000000000"], "шагов: 838860799"),
        ]
        print("| Machine | compiled C: CPU s (wall s) | loop check off: CPU s (wall s), ratio | "
              "loop check on: CPU s (wall s), ratio |")
        print("|---|---|---|---|")
        for title, reference, expected, command, steps in cases:
            c_cpu, c_wall = best(reference, args.runs, expected)
            off_cpu, off_wall = best(command + ["--no-loop-check"], args.runs, steps)
            on_cpu, on_wall = best(command, args.runs, steps)
            print("| %s | %.3f (%.3f) | %.3f (%.3f), %.2f | %.3f (%.3f), %.2f |" % (
                title, c_cpu, c_wall, off_cpu, off_wall, c_cpu / off_cpu, on_cpu, on_wall, c_cpu / on_cpu))


if __name__ == "__main__":
    main()
