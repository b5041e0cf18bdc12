"""Counts of this process's threads and descriptors, for checks that nothing is left behind."""

import contextlib
import gc
import os


def running_threads():
    return len(os.listdir("/proc/self/task"))


def open_descriptors():
    return len(os.listdir("/proc/self/fd"))


@contextlib.contextmanager
def collector_paused():
    """Frees older garbage first, then keeps the collector from releasing sessions of earlier
    tests while the counts are compared."""
    gc.collect()
    gc.disable()
    try:
        yield
    finally:
        gc.enable()
