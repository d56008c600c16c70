#!/usr/bin/python3
"""End-to-end check of `velan convert`.

Converts every bundled example, every input of tests/e2e/inputs (shapes of
real ECU extracts, written for this test, each converted with the options of
its NAME.args when it has one) and every ARXML sample (with --all-clusters,
so that files without a SYSTEM convert), requires that the tool
never crashes (exit status 0 or 1), that every DBC it writes loads in
canmatrix, and compares each DBC with canmatrix's own reading of the same
ARXML: frames (identifier, extended, length, CAN FD flag, cycle time) and
signals (start bit, length, byte order, signedness, factor, offset, unit,
range, initial value, value texts, multiplexing). A difference
fails the test unless a line of the allow-list matches it; the allow-list says
why we believe our output is right.

Exit status: 0 pass, 1 fail, 77 skipped (canmatrix or its ARXML reader
missing).
"""
import argparse
import copy
import glob
import os
import shutil
import subprocess
import sys

from e2e_support import dbc_start_bit, explain, load_canmatrix, read_allow_list, same_number


def inputs(examples_dir, inputs_dir, samples_dir):
    """(label, path, only_file) for every input."""
    out = []
    for path in sorted(glob.glob(os.path.join(examples_dir, "**", "*.arxml"), recursive=True)):
        out.append(("examples/" + os.path.relpath(path, examples_dir), path, False))
    if inputs_dir and os.path.isdir(inputs_dir):
        for path in sorted(glob.glob(os.path.join(inputs_dir, "*.arxml"))):
            out.append(("inputs/" + os.path.basename(path), path, True))
    if samples_dir and os.path.isdir(samples_dir):
        for path in sorted(glob.glob(os.path.join(samples_dir, "*.arxml"))):
            out.append(("samples/" + os.path.basename(path), path, True))
    return out


def mux_role(sig):
    """'M' for a multiplexer, the switch value for a multiplexed signal, '' otherwise."""
    m = sig.multiplex
    if m == "Multiplexor" or sig.is_multiplexer:
        return "M"
    if m is None:
        return ""
    return str(int(m))


def value_texts(sig):
    """The signal's value descriptions as sorted (raw value, text) pairs."""
    return sorted((float(k), str(v)) for k, v in (sig.values or {}).items())


def flatten_container(frame, ours):
    """canmatrix reads a container PDU as a frame with a header (Header_ID,
    Header_DLC) and a list of contained PDUs; our DBC shows the same layout as
    a multiplexed frame: the header identifier selects the contained PDU,
    whose signals follow the header. Rewrite canmatrix's reading into that
    form so that both compare signal by signal."""
    pdus = getattr(frame, "pdus", None) or []
    header = {s.name: s for s in frame.signals}
    if not pdus or "Header_ID" not in header:
        return frame
    flat = copy.deepcopy(frame)
    flat.velan_container = True  # the selector is then keyed <container-header-id>
    header_bits = sum(s.size for s in frame.signals)
    our_length = [s.name for s in ours.signals if s.name.endswith("_HeaderLength")]
    for sig in flat.signals:
        if sig.name == "Header_ID":
            sig.is_multiplexer = True
            sig.multiplex = "Multiplexor"
        elif sig.name == "Header_DLC" and len(our_length) == 1:
            sig.name = our_length[0]
    for pdu in pdus:
        for sig in pdu.signals:
            moved = copy.deepcopy(sig)
            moved.start_bit += header_bits  # the header is whole bytes
            moved.multiplex = int(pdu.id)
            flat.signals.append(moved)
    return flat


def compare_frames(label, ours, theirs, diffs):
    """Append (key, text) for every difference between two canmatrix frames."""
    key = "%s|%s" % (label, ours.name)
    for field, a, b in (("identifier", ours.arbitration_id.id, theirs.arbitration_id.id),
                        ("extended", ours.arbitration_id.extended, theirs.arbitration_id.extended),
                        ("length", ours.size, theirs.size),
                        ("fd", bool(ours.is_fd), bool(theirs.is_fd)),
                        ("cycle-time", int(ours.cycle_time or 0), int(theirs.cycle_time or 0))):
        if a != b:
            diffs.append(("%s|%s" % (key, field), "ours %r, canmatrix %r" % (a, b)))

    def by_role(frame):
        mux = [s for s in frame.signals if mux_role(s) == "M"]
        rest = {s.name: s for s in frame.signals if mux_role(s) != "M"}
        return mux, rest

    our_mux, our_sigs = by_role(ours)
    their_mux, their_sigs = by_role(theirs)
    pairs = []
    if our_mux or their_mux:
        if len(our_mux) == 1 and len(their_mux) == 1:
            selector = "<container-header-id>" if getattr(theirs, "velan_container", False) \
                else "<multiplexer>"
            pairs.append((selector, our_mux[0], their_mux[0]))
        else:
            diffs.append(("%s|<multiplexer>|count" % key,
                          "ours %d, canmatrix %d" % (len(our_mux), len(their_mux))))
    for name in sorted(set(our_sigs) | set(their_sigs)):
        if name not in their_sigs:
            diffs.append(("%s|%s|missing-in-canmatrix" % (key, name), "only in our DBC"))
        elif name not in our_sigs:
            diffs.append(("%s|%s|missing-in-ours" % (key, name), "only in canmatrix's reading"))
        else:
            pairs.append((name, our_sigs[name], their_sigs[name]))
    for name, a, b in pairs:
        skey = "%s|%s" % (key, name)
        checks = [("start-bit", dbc_start_bit(a), dbc_start_bit(b), None),
                  ("length", a.size, b.size, None),
                  ("byte-order", "little" if a.is_little_endian else "big",
                   "little" if b.is_little_endian else "big", None),
                  ("float", a.is_float, b.is_float, None),
                  ("factor", a.factor, b.factor, same_number),
                  ("offset", a.offset, b.offset, same_number),
                  ("unit", a.unit or "", b.unit or "", None),
                  ("minimum", a.min, b.min, same_number),
                  ("maximum", a.max, b.max, same_number),
                  ("initial-value", a.initial_value, b.initial_value, same_number),
                  ("values", value_texts(a), value_texts(b), None),
                  ("multiplexing", mux_role(a), mux_role(b), None)]
        # A DBC file has no signedness for IEEE floating-point signals.
        if not a.is_float and not b.is_float:
            checks.append(("signed", a.is_signed, b.is_signed, None))
        for field, x, y, eq in checks:
            if not (eq(x, y) if eq else x == y):
                diffs.append(("%s|%s" % (skey, field), "ours %r, canmatrix %r" % (x, y)))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--velan", required=True)
    ap.add_argument("--examples", required=True)
    ap.add_argument("--inputs")
    ap.add_argument("--samples")
    ap.add_argument("--allow", required=True)
    ap.add_argument("--work", required=True)
    args = ap.parse_args()

    formats = load_canmatrix("crosscheck", need_lxml=True)
    rules = read_allow_list(args.allow)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)

    # A configuration of the user's must not change what is compared.
    env = dict(os.environ)
    env["VELAN_CONFIG_DIR"] = os.path.join(args.work, "config")
    os.makedirs(env["VELAN_CONFIG_DIR"])

    failures = []
    diffs = []
    for label, path, only_file in inputs(args.examples, args.inputs, args.samples):
        out_dir = os.path.join(args.work, label.replace("/", "_"))
        cmd = [args.velan, "convert", path, "-o", out_dir, "--quiet"]
        # An input may come with the options it is converted with (for
        # example the post-build variant it is read as) in NAME.args.
        options = os.path.splitext(path)[0] + ".args"
        if os.path.isfile(options):
            with open(options, encoding="utf-8") as f:
                cmd += f.read().split()
        if only_file:
            # Files without a SYSTEM (written by other converters, the
            # peers' own test files) are read as a whole.
            cmd += ["--only-file", "--all-clusters"]
        run = subprocess.run(cmd, capture_output=True, text=True, errors="replace", env=env)
        if run.returncode not in (0, 1):
            failures.append("%s: velan exited with %d\n%s" % (label, run.returncode, run.stderr))
            continue
        written = sorted(glob.glob(os.path.join(out_dir, "*.dbc")))
        if run.returncode == 0 and not written:
            failures.append("%s: exit 0 but no DBC written" % label)

        try:
            theirs = formats.loadp(path) or {}
        except Exception as e:  # canmatrix cannot read the file
            theirs = None
            diffs.append(("%s|*|canmatrix-cannot-read" % label, "%s: %s" % (type(e).__name__, e)))

        ours = {}
        for dbc in written:
            cluster = os.path.splitext(os.path.basename(dbc))[0]
            try:
                # Our DBC files carry the ARXML texts unchanged, in UTF-8.
                loaded = formats.loadp(dbc, dbcImportEncoding="utf-8")
                ours[cluster] = next(iter(loaded.values()))
            except Exception as e:
                failures.append("%s: %s does not load in canmatrix: %s" % (label, dbc, e))
        if theirs is None:
            continue
        their_can = {name: db for name, db in theirs.items() if db.frames}
        for cluster in sorted(set(ours) | set(their_can)):
            ckey = "%s|%s" % (label, cluster)
            if cluster not in ours:
                diffs.append(("%s|not-converted" % ckey,
                              "canmatrix reads %d frames, we wrote no DBC" %
                              len(their_can[cluster].frames)))
                continue
            if cluster not in their_can:
                diffs.append(("%s|missing-in-canmatrix" % ckey, "only we found this cluster"))
                continue
            our_frames = {f.name: f for f in ours[cluster].frames}
            their_frames = {f.name: f for f in their_can[cluster].frames}
            for name in sorted(set(our_frames) | set(their_frames)):
                if name not in their_frames:
                    diffs.append(("%s|%s|missing-in-canmatrix" % (ckey, name), "only in our DBC"))
                elif name not in our_frames:
                    diffs.append(("%s|%s|missing-in-ours" % (ckey, name), "only in canmatrix"))
                else:
                    compare_frames(ckey, our_frames[name], flatten_container(their_frames[name], our_frames[name]),
                                   diffs)

    unexplained = explain(diffs, rules)
    for pattern, reason, used in rules:
        if not used:
            print("note: allow-list entry matched nothing: %s" % pattern)
    for f in failures:
        print("FAIL: " + f)
    for u in unexplained:
        print("DIFFERENCE: " + u)
    if failures or unexplained:
        return 1
    print("crosscheck: %d differences, all explained" % len(diffs))
    return 0


if __name__ == "__main__":
    sys.exit(main())
