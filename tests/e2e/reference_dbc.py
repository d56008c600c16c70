#!/usr/bin/python3
"""End-to-end check of `velan convert --all-clusters` against a reference DBC.

canmatrix_test.arxml holds one CAN cluster and no SYSTEM element; its
companion canmatrix_test_CAN.dbc is the DBC that canmatrix wrote from it. The
file is converted with --all-clusters --only-file and both DBC files are read
with canmatrix's DBC reader, then compared frame by frame (identifier,
extended, length) and signal by signal (start bit, length, byte order,
factor, offset, and the name of a signal that occurs twice in a frame). A
difference fails the test unless a line of the allow-list
matches it; the allow-list says why the reference is not the truth there.

Exit status: 0 pass, 1 fail, 77 skipped (samples or canmatrix missing).
"""
import argparse
import os
import shutil
import subprocess
import sys

from e2e_support import SKIP, dbc_start_bit, explain, load_canmatrix, read_allow_list, same_number

ARXML = "canmatrix_test.arxml"
REFERENCE = "canmatrix_test_CAN.dbc"


def skip(why):
    print("reference_dbc: skipped, %s" % why)
    sys.exit(SKIP)


def keyed(signals):
    """Signals by name; a name that occurs more than once in the frame is
    keyed by name and occurrence (0, 1, ...), the way the reference DBC
    names such copies, so that the copies are still compared by position."""
    count = {}
    for sig in signals:
        count[sig.name] = count.get(sig.name, 0) + 1
    seen = {}
    out = {}
    for sig in signals:
        key = sig.name
        if count[sig.name] > 1:
            key = "%s%d" % (sig.name, seen.get(sig.name, 0))
            seen[sig.name] = seen.get(sig.name, 0) + 1
        out[key] = sig
    return out


def compare(ours, ref):
    """(key, text) for every difference; key is FRAME|SIGNAL|FIELD."""
    diffs = []
    our_frames = {f.name: f for f in ours.frames}
    ref_frames = {f.name: f for f in ref.frames}
    for name in sorted(set(our_frames) | set(ref_frames)):
        if name not in ref_frames or name not in our_frames:
            side = "ours" if name in our_frames else "reference"
            diffs.append(("%s|*|only-in-%s" % (name, side), "frame"))
            continue
        a, b = our_frames[name], ref_frames[name]
        for field, x, y in (("identifier", a.arbitration_id.id, b.arbitration_id.id),
                            ("extended", a.arbitration_id.extended, b.arbitration_id.extended),
                            ("length", a.size, b.size)):
            if x != y:
                diffs.append(("%s|*|%s" % (name, field), "ours %r, reference %r" % (x, y)))
        our_sigs = keyed(a.signals)
        ref_sigs = keyed(b.signals)
        for sname in sorted(set(our_sigs) | set(ref_sigs)):
            if sname not in ref_sigs or sname not in our_sigs:
                side = "ours" if sname in our_sigs else "reference"
                diffs.append(("%s|%s|only-in-%s" % (name, sname, side), "signal"))
                continue
            s, t = our_sigs[sname], ref_sigs[sname]
            for field, x, y, eq in (
                    ("name", s.name, t.name, None),
                    ("start-bit", dbc_start_bit(s), dbc_start_bit(t), None),
                    ("length", s.size, t.size, None),
                    ("byte-order", s.is_little_endian, t.is_little_endian, None),
                    ("factor", s.factor, t.factor, same_number),
                    ("offset", s.offset, t.offset, same_number)):
                if not (eq(x, y) if eq else x == y):
                    diffs.append(("%s|%s|%s" % (name, sname, field),
                                  "ours %r, reference %r" % (x, y)))
    return diffs, len(ref_frames), sum(len(f.signals) for f in ref.frames)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--velan", required=True)
    ap.add_argument("--samples", required=True)
    ap.add_argument("--allow", required=True)
    ap.add_argument("--work", required=True)
    args = ap.parse_args()

    arxml = os.path.join(args.samples, ARXML)
    reference = os.path.join(args.samples, REFERENCE)
    if not (os.path.isfile(arxml) and os.path.isfile(reference)):
        skip("%s or %s not found in %s" % (ARXML, REFERENCE, args.samples))
    formats = load_canmatrix("reference_dbc")
    rules = read_allow_list(args.allow)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(os.path.join(args.work, "config"))
    env = dict(os.environ, VELAN_CONFIG_DIR=os.path.join(args.work, "config"))

    ours_path = os.path.join(args.work, "CAN.dbc")
    run = subprocess.run([args.velan, "convert", arxml, "--all-clusters", "--only-file",
                          "--cluster", "CAN", "-o", ours_path, "--quiet"],
                         capture_output=True, text=True, errors="replace", env=env)
    if run.returncode != 0:
        print("FAIL: velan exited with %d\n%s" % (run.returncode, run.stderr))
        return 1
    ours = next(iter(formats.loadp(ours_path, dbcImportEncoding="utf-8").values()))
    ref = next(iter(formats.loadp(reference).values()))

    diffs, frames, signals = compare(ours, ref)
    unexplained = explain(diffs, rules)
    for pattern, _, used in rules:
        if not used:
            unexplained.append("allow-list entry matches nothing: %s" % pattern)
    for u in unexplained:
        print("DIFFERENCE: " + u)
    if unexplained:
        return 1
    print("reference_dbc: %d frames, %d signals compared; %d differences, all explained" %
          (frames, signals, len(diffs)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
