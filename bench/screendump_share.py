#!/usr/bin/env python3
"""screendump as a whole process against the engine benchmark, on one machine:
how much of the engine's speed the replay tool keeps once it has to start, read
standard input and exit.

    bench/screendump_share.py CORPUS_DIR [--rounds 3] [--runs 21]

CORPUS_DIR holds plain.vt, sgr.vt, cursor.vt and wrap.vt (the 32 MB streams of
the side-by-side benchmark; any files of host bytes with those names will do).
Builds build-bench/ as bench/run.sh does. Each round runs the engine benchmark
on the same files (whole) at 80x24 with a 1,000-line history, then starts
screendump --runs times per corpus (standard input from the file, output to
/dev/null) and takes the median wall time from start to exit. Prints each round and then the medians over the
rounds, with screendump's share of the engine's MB/s (10^6 bytes a second).
The machine's speed drifts: a round pairs the two figures within a minute.
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

STREAMS = ("plain", "sgr", "cursor", "wrap")
TARGET_SHARE = 0.90


def build(repo, build_dir):
    subprocess.run(["cmake", "--preset", "bench", "-B", build_dir], cwd=repo, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["ninja", "-C", build_dir, "-j2", "corvane_bench_receive", "screendump"],
                   check=True, stdout=subprocess.DEVNULL)


def engine_mbps(build_dir, corpus_dir, stream_mb):
    """MB/s per stream at 80x24, history 1,000 (10^6 bytes per CPU second)."""
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        run = subprocess.run([os.path.join(build_dir, "bench", "corvane_bench_receive"),
                              "--benchmark_filter=80x24/h1000/corvane",
                              "--corpus_dir=" + corpus_dir, "--stream_mb=%d" % stream_mb,
                              "--benchmark_out=" + out.name, "--benchmark_out_format=json"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        if run.returncode != 0:
            sys.exit("engine benchmark failed:\n" + run.stderr)
        report = json.load(out)
    return {b["name"].split("/")[0]: b["bytes_per_second"] / 1e6 for b in report["benchmarks"]}


def process_seconds(binary, corpus):
    """Wall time of one screendump from spawn to exit, input from the file."""
    with open(corpus, "rb") as stdin, open(os.devnull, "wb") as stdout:
        actions = [(os.POSIX_SPAWN_DUP2, stdin.fileno(), 0),
                   (os.POSIX_SPAWN_DUP2, stdout.fileno(), 1)]
        start = time.perf_counter()
        pid = os.posix_spawn(binary, [binary], os.environ, file_actions=actions)
        _, status = os.waitpid(pid, 0)
        seconds = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("screendump failed on %s (status %d)" % (corpus, status))
    return seconds


def screendump_mbps(binary, corpus, runs):
    size = os.path.getsize(corpus)
    return size / statistics.median(process_seconds(binary, corpus) for _ in range(runs)) / 1e6


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("corpus_dir")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--runs", type=int, default=21)
    args = parser.parse_args()
    if args.rounds < 1 or args.runs < 1:
        parser.error("--rounds and --runs need a positive number")
    corpora = {s: os.path.join(args.corpus_dir, s + ".vt") for s in STREAMS}
    missing = [path for path in corpora.values() if not os.path.isfile(path)]
    if missing:
        sys.exit("missing corpus files: " + ", ".join(missing))

    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    build_dir = os.environ.get("CORVANE_BENCH_BUILD", os.path.join(repo, "build-bench"))
    build(repo, build_dir)
    binary = os.path.join(build_dir, "screendump")

    stream_mb = max(os.path.getsize(path) for path in corpora.values()) // 10**6 + 1
    rounds = []
    for r in range(args.rounds):
        engine = engine_mbps(build_dir, args.corpus_dir, stream_mb)
        tool = {s: screendump_mbps(binary, corpora[s], args.runs) for s in STREAMS}
        rounds.append((engine, tool))
        print("round %d: " % (r + 1) + "  ".join(
            "%s %.0f/%.0f" % (s, tool[s], engine[s]) for s in STREAMS), flush=True)

    print("\nstream   engine MB/s  screendump MB/s  share   (medians of %d rounds)" % args.rounds)
    lowest = None
    for s in STREAMS:
        engine = statistics.median(e[s] for e, _ in rounds)
        tool = statistics.median(t[s] for _, t in rounds)
        share = statistics.median(t[s] / e[s] for e, t in rounds)
        lowest = share if lowest is None else min(lowest, share)
        print("%-8s %11.0f  %15.0f  %4.0f %%" % (s, engine, tool, 100 * share))
    verdict = "met" if lowest >= TARGET_SHARE else "NOT met"
    print("target >= %.0f %% of the engine on every stream: %s (lowest %.0f %%)"
          % (100 * TARGET_SHARE, verdict, 100 * lowest))


if __name__ == "__main__":
    main()
