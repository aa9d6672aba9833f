#!/usr/bin/env python3
"""tarnwick-desk index killed at random instants: the database passes
PRAGMA integrity_check, holds whole batches only (every report with its
entries, bytes and source), and re-running the same command completes it.
Two index runs at once on one database wait for each other.

    desk_store_kill.py TARNWICK_DESK REPORTS_DIR [KILLS]
"""
import os
import random
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

BATCH = 40
COPIES = 150  # reports per fixture


def corpus(reports_dir, out):
    """Varied copies of the fixture reports, each one distinct."""
    total = 0
    for name in sorted(os.listdir(reports_dir)):
        with open(os.path.join(reports_dir, name), "rb") as f:
            base = f.read()
        for i in range(COPIES):
            with open(os.path.join(out, "%s-%04d.ini" % (name, i)), "wb") as f:
                f.write(base + b"[Kill Test]\r\nCopy=%d\r\n" % i)
            total += 1
    return total


def index(desk, db, folder):
    return subprocess.Popen([desk, "index", db, folder, "--batch", str(BATCH)],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def check(db, total, what):
    con = sqlite3.connect(db)
    try:
        integrity = con.execute("PRAGMA integrity_check").fetchone()[0]
        reports = con.execute("SELECT count(*) FROM reports").fetchone()[0]
        incomplete = con.execute(
            "SELECT count(*) FROM reports r WHERE NOT EXISTS (SELECT 1 FROM entries e WHERE e.report = r.id) "
            "OR NOT EXISTS (SELECT 1 FROM report_bytes b WHERE b.report = r.id) "
            "OR NOT EXISTS (SELECT 1 FROM sources s WHERE s.report = r.id)").fetchone()[0]
    finally:
        con.close()
    assert integrity == "ok", "%s: integrity_check says %s" % (what, integrity)
    assert incomplete == 0, "%s: %d reports stored in part" % (what, incomplete)
    assert reports % BATCH == 0 or reports == total, "%s: %d reports is not a batch boundary" % (what, reports)
    return reports


def main():
    desk, reports_dir = sys.argv[1], sys.argv[2]
    kills = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    rng = random.Random(int(os.environ.get("TARNWICK_KILL_SEED", "21")))
    with tempfile.TemporaryDirectory() as scratch:
        folder = os.path.join(scratch, "reports")
        os.mkdir(folder)
        total = corpus(reports_dir, folder)
        db = os.path.join(scratch, "whole.db")
        start = time.monotonic()
        out, err = index(desk, db, folder).communicate()
        whole = time.monotonic() - start
        assert out == "%d added, 0 already present, 0 refused\n" % total, out + err
        for trial in range(kills):
            db = os.path.join(scratch, "killed-%d.db" % trial)
            run = index(desk, db, folder)
            time.sleep(rng.uniform(0.02, whole))
            run.send_signal(signal.SIGKILL)
            run.communicate()
            kept = check(db, total, "trial %d after the kill" % trial) if os.path.exists(db) else 0
            out, err = index(desk, db, folder).communicate()
            expected = "%d added, %d already present, 0 refused\n" % (total - kept, kept)
            assert out == expected, "trial %d: %r, not %r\n%s" % (trial, out, expected, err)
            assert check(db, total, "trial %d after the re-run" % trial) == total
            print("trial %d: killed with %d of %d reports stored; the re-run added the rest" % (trial, kept, total))
        # Two runs at once: the second waits for the first's batches.
        db = os.path.join(scratch, "twice.db")
        runs = [index(desk, db, folder) for _ in range(2)]
        outs = [run.communicate() for run in runs]
        assert all(run.returncode == 0 for run in runs), outs
        added = sum(int(out.split()[0]) for out, _ in outs)
        assert added == total, outs
        assert check(db, total, "two runs at once") == total
        print("two runs at once: %s" % " / ".join(out.strip() for out, _ in outs))


if __name__ == "__main__":
    main()
