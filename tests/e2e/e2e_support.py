"""What the end-to-end checks share: loading canmatrix, the allow-list of
explained differences, and how numbers and start bits are compared."""
import fnmatch
import io
import logging
import math
import sys

SKIP = 77


def load_canmatrix(tool, need_lxml=False):
    """canmatrix's format readers; exits with SKIP when canmatrix (or, for
    its ARXML reader, lxml) is missing."""
    try:
        stderr = sys.stderr
        sys.stderr = io.StringIO()  # canmatrix lists its optional formats on import
        try:
            import canmatrix.formats
            if need_lxml:
                import lxml  # noqa: F401  (canmatrix's ARXML reader needs it)
        finally:
            sys.stderr = stderr
    except ImportError as e:
        print("%s: skipped, %s" % (tool, e))
        sys.exit(SKIP)
    logging.getLogger("canmatrix").setLevel(logging.CRITICAL)
    return canmatrix.formats


def read_allow_list(path):
    """[pattern, reason, times used] per line `PATTERN  # reason`."""
    rules = []
    with open(path, encoding="utf-8") as f:
        for n, raw in enumerate(f, 1):
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            pattern, _, reason = line.partition("#")
            if not reason.strip():
                sys.exit("%s:%d: an allow-list entry needs a reason after '#'" % (path, n))
            rules.append([pattern.strip(), reason.strip(), 0])
    return rules


def explain(diffs, rules):
    """Prints each (key, text) difference that a rule matches and counts the
    rule's use; gives the others as "key: text" lines."""
    unexplained = []
    for key, text in diffs:
        rule = next((r for r in rules if fnmatch.fnmatchcase(key, r[0])), None)
        if rule:
            rule[2] += 1
            print("allowed: %s: %s  (%s)" % (key, text, rule[1]))
        else:
            unexplained.append("%s: %s" % (key, text))
    return unexplained


def same_number(a, b):
    if a is None or b is None:
        return a is b
    return math.isclose(float(a), float(b), rel_tol=1e-9, abs_tol=1e-12)


def dbc_start_bit(sig):
    """Start bit as a DBC file writes it (Motorola: most significant bit)."""
    return sig.get_startbit(bit_numbering=1, start_little=sig.is_little_endian)
