"""Helpers of the side-by-side benchmark scripts."""
import os
import time


def run(argv, env):
    """Wall time (s), peak RSS (MB) and page faults of one run of argv, output discarded."""
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, 1)
        os.dup2(devnull, 2)
        os.execvpe(argv[0], argv, env)
    _, status, usage = os.wait4(pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        raise SystemExit("failed: " + " ".join(argv))
    return elapsed, usage.ru_maxrss / 1024, usage.ru_minflt + usage.ru_majflt


def best(argv, env, n=5):
    """The best time and the largest peak memory of n runs."""
    runs = [run(argv, env) for _ in range(n)]
    return min(r[0] for r in runs), max(r[1] for r in runs)


def best_with_faults(argv, env, n=5):
    """The best time, the largest peak memory and the page faults of the best run."""
    runs = [run(argv, env) for _ in range(n)]
    fastest = min(runs, key=lambda r: r[0])
    return fastest[0], max(r[1] for r in runs), fastest[2]
