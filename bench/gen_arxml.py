#!/usr/bin/env python3
"""Deterministic generator of realistic AUTOSAR 4 system descriptions.

usage: gen_arxml.py --size-mb N --out PATH [--files K] [--seed S]

Writes one ARXML file (PATH ending in .arxml) or, with --files K > 1, a folder
PATH holding K files whose packages are spread like a tool export (one file
for the system and clusters, the rest for frames, PDUs, signals, compu
methods, ECUs). Beside the output it writes PATH.json: what was generated
(clusters, frames with identifier, length and signals with start bit, length,
byte order, factor and offset), so that a benchmark can check the converted
DBC.
"""
import argparse
import json
import os
import random

NS = "http://autosar.org/schema/r4.0"


class Out:
    """Collects the elements of one package section."""

    def __init__(self):
        self.parts = []

    def add(self, text):
        self.parts.append(text)

    def text(self):
        return "".join(self.parts)


def ref(tag, dest, path):
    return f'<{tag} DEST="{dest}">{path}</{tag}>'


def compu_method(name, kind, factor, offset, rnd):
    scales = []
    if kind in ("TEXTTABLE", "SCALE_LINEAR_AND_TEXTTABLE"):
        for v in range(3):
            scales.append(
                f"<COMPU-SCALE><LOWER-LIMIT INTERVAL-TYPE=\"CLOSED\">{v}</LOWER-LIMIT>"
                f"<UPPER-LIMIT INTERVAL-TYPE=\"CLOSED\">{v}</UPPER-LIMIT>"
                f"<COMPU-CONST><VT>State_{v}</VT></COMPU-CONST></COMPU-SCALE>")
    if kind in ("LINEAR", "SCALE_LINEAR_AND_TEXTTABLE"):
        lo = 3 if kind != "LINEAR" else 0
        scales.append(
            f"<COMPU-SCALE><LOWER-LIMIT INTERVAL-TYPE=\"CLOSED\">{lo}</LOWER-LIMIT>"
            f"<UPPER-LIMIT INTERVAL-TYPE=\"CLOSED\">65535</UPPER-LIMIT>"
            f"<COMPU-RATIONAL-COEFFS><COMPU-NUMERATOR><V>{offset}</V><V>{factor}</V></COMPU-NUMERATOR>"
            f"<COMPU-DENOMINATOR><V>1</V></COMPU-DENOMINATOR></COMPU-RATIONAL-COEFFS></COMPU-SCALE>")
    return (f"<COMPU-METHOD><SHORT-NAME>{name}</SHORT-NAME><CATEGORY>{kind}</CATEGORY>"
            f"<UNIT-REF DEST=\"UNIT\">/Units/U{rnd.randrange(8)}</UNIT-REF>"
            f"<COMPU-INTERNAL-TO-PHYS><COMPU-SCALES>{''.join(scales)}</COMPU-SCALES>"
            f"</COMPU-INTERNAL-TO-PHYS></COMPU-METHOD>\n")


def place_signals(rnd, length_bytes, count):
    """Non-overlapping little/big-endian layouts within the PDU."""
    bits = length_bytes * 8
    pos = 0
    layout = []
    while len(layout) < count and pos < bits:
        size = rnd.choice([1, 2, 4, 8, 12, 16])
        if pos + size > bits:
            size = bits - pos
        big = rnd.random() < 0.4 and size % 8 == 0 and pos % 8 == 0
        if big:
            # AUTOSAR big-endian start position: the most significant bit,
            # numbered inside the byte where the signal starts.
            start = pos + 7
        else:
            start = pos
        layout.append((start, size, big, pos))
        pos += size
    return layout


def lin_cluster(rnd, sections, fibex_refs, model, frame_count=16):
    """One LIN cluster: a master and two slaves, unconditional frames with
    signals, and a schedule table running every frame."""
    cname = "LIN_00"
    chan = f"/Clusters/{cname}/{cname}_chan"
    ecus = ["LIN_Master", "LIN_Slave1", "LIN_Slave2"]
    cinfo = {"name": cname, "lin": True, "frames": []}
    model["clusters"].append(cinfo)
    fibex_refs.append(ref("FIBEX-ELEMENT-REF", "LIN-CLUSTER", f"/Clusters/{cname}"))
    trigs, ptrigs, entries = [], [], []
    ports = {e: [] for e in ecus}
    for f in range(frame_count):
        fname = f"{cname}_F{f:02d}"
        pname = f"{fname}_Pdu"
        length = rnd.choice([2, 4, 8])
        tx = ecus[f % 3]
        rx = ecus[(f + 1) % 3]
        finfo = {"name": fname, "id": f + 1, "length": length, "signals": [], "transmitter": tx}
        cinfo["frames"].append(finfo)
        trigs.append(
            f"<LIN-FRAME-TRIGGERING><SHORT-NAME>{fname}_trig</SHORT-NAME><FRAME-PORT-REFS>"
            f"{ref('FRAME-PORT-REF', 'FRAME-PORT', f'/Ecus/{tx}/{cname}_conn/{fname}_out')}"
            f"{ref('FRAME-PORT-REF', 'FRAME-PORT', f'/Ecus/{rx}/{cname}_conn/{fname}_in')}</FRAME-PORT-REFS>"
            f"{ref('FRAME-REF', 'LIN-UNCONDITIONAL-FRAME', f'/Frames/{fname}')}"
            f"<PDU-TRIGGERINGS><PDU-TRIGGERING-REF-CONDITIONAL>"
            f"{ref('PDU-TRIGGERING-REF', 'PDU-TRIGGERING', f'{chan}/{pname}_ptrig')}"
            f"</PDU-TRIGGERING-REF-CONDITIONAL></PDU-TRIGGERINGS>"
            f"<IDENTIFIER>{f + 1}</IDENTIFIER><LIN-CHECKSUM>ENHANCED</LIN-CHECKSUM></LIN-FRAME-TRIGGERING>\n")
        ptrigs.append(f"<PDU-TRIGGERING><SHORT-NAME>{pname}_ptrig</SHORT-NAME>"
                      f"{ref('I-PDU-REF', 'I-SIGNAL-I-PDU', f'/Pdus/{pname}')}</PDU-TRIGGERING>\n")
        entries.append(
            f"<APPLICATION-ENTRY><DELAY>0.01</DELAY><POSITION-IN-TABLE>{f}</POSITION-IN-TABLE>"
            f"{ref('FRAME-TRIGGERING-REF', 'LIN-FRAME-TRIGGERING', f'{chan}/{fname}_trig')}</APPLICATION-ENTRY>")
        ports[tx].append(f"<FRAME-PORT><SHORT-NAME>{fname}_out</SHORT-NAME>"
                         f"<COMMUNICATION-DIRECTION>OUT</COMMUNICATION-DIRECTION></FRAME-PORT>")
        ports[rx].append(f"<FRAME-PORT><SHORT-NAME>{fname}_in</SHORT-NAME>"
                         f"<COMMUNICATION-DIRECTION>IN</COMMUNICATION-DIRECTION></FRAME-PORT>")
        sections["frames"].add(
            f"<LIN-UNCONDITIONAL-FRAME><SHORT-NAME>{fname}</SHORT-NAME><FRAME-LENGTH>{length}</FRAME-LENGTH>"
            f"<PDU-TO-FRAME-MAPPINGS><PDU-TO-FRAME-MAPPING><SHORT-NAME>{pname}_map</SHORT-NAME>"
            f"<PACKING-BYTE-ORDER>MOST-SIGNIFICANT-BYTE-LAST</PACKING-BYTE-ORDER>"
            f"{ref('PDU-REF', 'I-SIGNAL-I-PDU', f'/Pdus/{pname}')}<START-POSITION>0</START-POSITION>"
            f"</PDU-TO-FRAME-MAPPING></PDU-TO-FRAME-MAPPINGS></LIN-UNCONDITIONAL-FRAME>\n")
        mappings = []
        pos = 0
        for s in range(length):
            size = rnd.choice([1, 4, 8])
            sname = f"{fname}_S{s:02d}"
            finfo["signals"].append({"name": sname, "start": pos, "length": size, "big_endian": False,
                                     "factor": 1, "offset": 0, "signed": False})
            mappings.append(
                f"<I-SIGNAL-TO-I-PDU-MAPPING><SHORT-NAME>{sname}_map</SHORT-NAME>"
                f"{ref('I-SIGNAL-REF', 'I-SIGNAL', f'/Signals/{sname}')}"
                f"<PACKING-BYTE-ORDER>MOST-SIGNIFICANT-BYTE-LAST</PACKING-BYTE-ORDER>"
                f"<START-POSITION>{pos}</START-POSITION></I-SIGNAL-TO-I-PDU-MAPPING>\n")
            sections["signals"].add(
                f"<I-SIGNAL><SHORT-NAME>{sname}</SHORT-NAME><LENGTH>{size}</LENGTH>"
                f"{ref('SYSTEM-SIGNAL-REF', 'SYSTEM-SIGNAL', f'/SystemSignals/{sname}')}</I-SIGNAL>\n"
                f"<SYSTEM-SIGNAL><SHORT-NAME>{sname}</SHORT-NAME></SYSTEM-SIGNAL>\n")
            pos += 8
        sections["pdus"].add(
            f"<I-SIGNAL-I-PDU><SHORT-NAME>{pname}</SHORT-NAME><LENGTH>{length}</LENGTH>"
            f"<I-SIGNAL-TO-PDU-MAPPINGS>{''.join(mappings)}</I-SIGNAL-TO-PDU-MAPPINGS></I-SIGNAL-I-PDU>\n")
    sections["clusters"].add(
        f"<LIN-CLUSTER><SHORT-NAME>{cname}</SHORT-NAME><LIN-CLUSTER-VARIANTS><LIN-CLUSTER-CONDITIONAL>"
        f"<BAUDRATE>19200</BAUDRATE><PHYSICAL-CHANNELS><LIN-PHYSICAL-CHANNEL><SHORT-NAME>{cname}_chan</SHORT-NAME>"
        "<COMM-CONNECTORS>"
        + "".join(f"<COMMUNICATION-CONNECTOR-REF-CONDITIONAL>"
                  f"{ref('COMMUNICATION-CONNECTOR-REF', 'LIN-COMMUNICATION-CONNECTOR', f'/Ecus/{e}/{cname}_conn')}"
                  f"</COMMUNICATION-CONNECTOR-REF-CONDITIONAL>" for e in ecus)
        + f"</COMM-CONNECTORS><FRAME-TRIGGERINGS>{''.join(trigs)}</FRAME-TRIGGERINGS>"
        f"<PDU-TRIGGERINGS>{''.join(ptrigs)}</PDU-TRIGGERINGS><SCHEDULE-TABLES><LIN-SCHEDULE-TABLE>"
        f"<SHORT-NAME>Normal</SHORT-NAME><RUN-MODE>RUN-CONTINUOUS</RUN-MODE>"
        f"<TABLE-ENTRYS>{''.join(entries)}</TABLE-ENTRYS></LIN-SCHEDULE-TABLE></SCHEDULE-TABLES>"
        "</LIN-PHYSICAL-CHANNEL></PHYSICAL-CHANNELS><PROTOCOL-NAME>LIN</PROTOCOL-NAME>"
        "<PROTOCOL-VERSION>2.1</PROTOCOL-VERSION></LIN-CLUSTER-CONDITIONAL></LIN-CLUSTER-VARIANTS></LIN-CLUSTER>\n")
    for i, e in enumerate(ecus):
        kind = "LIN-MASTER" if i == 0 else "LIN-SLAVE"
        params = ("<TIME-BASE>0.005</TIME-BASE>" if i == 0 else
                  f"<CONFIGURED-NAD>{i + 1}</CONFIGURED-NAD><FUNCTION-ID>{i}</FUNCTION-ID>"
                  f"<INITIAL-NAD>{i + 1}</INITIAL-NAD><SUPPLIER-ID>300</SUPPLIER-ID>")
        sections["ecus"].add(
            f"<ECU-INSTANCE><SHORT-NAME>{e}</SHORT-NAME><COMM-CONTROLLERS><{kind}><SHORT-NAME>Ctrl</SHORT-NAME>"
            f"<{kind}-VARIANTS><{kind}-CONDITIONAL><PROTOCOL-VERSION>2.1</PROTOCOL-VERSION>{params}"
            f"</{kind}-CONDITIONAL></{kind}-VARIANTS></{kind}></COMM-CONTROLLERS><CONNECTORS>"
            f"<LIN-COMMUNICATION-CONNECTOR><SHORT-NAME>{cname}_conn</SHORT-NAME>"
            f"{ref('COMM-CONTROLLER-REF', kind, f'/Ecus/{e}/Ctrl')}"
            f"<ECU-COMM-PORT-INSTANCES>{''.join(ports[e])}</ECU-COMM-PORT-INSTANCES>"
            f"</LIN-COMMUNICATION-CONNECTOR></CONNECTORS></ECU-INSTANCE>\n")


def generate(size_bytes, files, seed):
    rnd = random.Random(seed)
    sections = {k: Out() for k in ("system", "clusters", "frames", "pdus", "signals", "compu", "ecus")}
    model = {"clusters": []}
    fibex_refs = []
    est = 0
    cluster_index = 0
    units = "".join(f"<UNIT><SHORT-NAME>U{i}</SHORT-NAME><DISPLAY-NAME>{u}</DISPLAY-NAME></UNIT>"
                    for i, u in enumerate(["km/h", "rpm", "degC", "V", "A", "%", "bar", "s"]))
    base_types = ("<SW-BASE-TYPE><SHORT-NAME>uint</SHORT-NAME><BASE-TYPE-ENCODING>NONE</BASE-TYPE-ENCODING></SW-BASE-TYPE>"
                  "<SW-BASE-TYPE><SHORT-NAME>sint</SHORT-NAME><BASE-TYPE-ENCODING>2C</BASE-TYPE-ENCODING></SW-BASE-TYPE>")
    sections["compu"].add(units)
    sections["compu"].add(base_types)
    ecu_names = [f"ECU_{i:03d}" for i in range(12)]
    while est < size_bytes:
        cname = f"CAN_{cluster_index:02d}"
        fd = cluster_index % 3 == 1
        cinfo = {"name": cname, "fd": fd, "frames": []}
        model["clusters"].append(cinfo)
        fibex_refs.append(ref("FIBEX-ELEMENT-REF", "CAN-CLUSTER", f"/Clusters/{cname}"))
        frame_trigs = []
        pdu_trigs = []
        connectors = []
        frames_per_cluster = max(20, min(200, int(size_bytes / 13000)))
        for e, ecu in enumerate(ecu_names[:6]):
            connectors.append(
                f"<COMMUNICATION-CONNECTOR-REF-CONDITIONAL>"
                f"{ref('COMMUNICATION-CONNECTOR-REF', 'CAN-COMMUNICATION-CONNECTOR', f'/Ecus/{ecu}/{cname}_conn')}"
                f"</COMMUNICATION-CONNECTOR-REF-CONDITIONAL>")
        for f in range(frames_per_cluster):
            fname = f"{cname}_F{f:04d}"
            pname = f"{fname}_Pdu"
            length = 64 if (fd and f % 4 == 0) else 8
            extended = f % 5 == 0
            ident = (0x18000000 + cluster_index * 0x10000 + f) if extended else (0x100 + f)
            mux = f % 17 == 3
            tx = ecu_names[f % 6]
            rx = ecu_names[(f + 1) % 6]
            finfo = {"name": fname, "id": ident, "extended": extended, "length": length,
                     "fd": fd and length > 8, "signals": [], "transmitter": tx}
            cinfo["frames"].append(finfo)
            frame_trigs.append(
                f"<CAN-FRAME-TRIGGERING><SHORT-NAME>{fname}_trig</SHORT-NAME>"
                f"<FRAME-PORT-REFS>{ref('FRAME-PORT-REF', 'FRAME-PORT', f'/Ecus/{tx}/{cname}_conn/{fname}_out')}"
                f"{ref('FRAME-PORT-REF', 'FRAME-PORT', f'/Ecus/{rx}/{cname}_conn/{fname}_in')}</FRAME-PORT-REFS>"
                f"{ref('FRAME-REF', 'CAN-FRAME', f'/Frames/{fname}')}"
                f"<PDU-TRIGGERINGS><PDU-TRIGGERING-REF-CONDITIONAL>"
                f"{ref('PDU-TRIGGERING-REF', 'PDU-TRIGGERING', f'/Clusters/{cname}/{cname}_chan/{pname}_ptrig')}"
                f"</PDU-TRIGGERING-REF-CONDITIONAL></PDU-TRIGGERINGS>"
                f"<CAN-ADDRESSING-MODE>{'EXTENDED' if extended else 'STANDARD'}</CAN-ADDRESSING-MODE>"
                + (f"<CAN-FD-FRAME-SUPPORT>true</CAN-FD-FRAME-SUPPORT><CAN-FRAME-TX-BEHAVIOR>CAN-FD</CAN-FRAME-TX-BEHAVIOR>"
                   if finfo["fd"] else "<CAN-FRAME-TX-BEHAVIOR>CAN-20</CAN-FRAME-TX-BEHAVIOR>")
                + f"<IDENTIFIER>{ident}</IDENTIFIER></CAN-FRAME-TRIGGERING>\n")
            pdu_trigs.append(
                f"<PDU-TRIGGERING><SHORT-NAME>{pname}_ptrig</SHORT-NAME>"
                f"{ref('I-PDU-REF', 'MULTIPLEXED-I-PDU' if mux else 'I-SIGNAL-I-PDU', f'/Pdus/{pname}')}"
                f"</PDU-TRIGGERING>\n")
            sections["frames"].add(
                f"<CAN-FRAME><SHORT-NAME>{fname}</SHORT-NAME><DESC><L-2 L=\"EN\">Frame {f} of {cname}</L-2></DESC>"
                f"<FRAME-LENGTH>{length}</FRAME-LENGTH><PDU-TO-FRAME-MAPPINGS><PDU-TO-FRAME-MAPPING>"
                f"<SHORT-NAME>{pname}_map</SHORT-NAME><PACKING-BYTE-ORDER>MOST-SIGNIFICANT-BYTE-LAST</PACKING-BYTE-ORDER>"
                f"{ref('PDU-REF', 'MULTIPLEXED-I-PDU' if mux else 'I-SIGNAL-I-PDU', f'/Pdus/{pname}')}"
                f"<START-POSITION>0</START-POSITION></PDU-TO-FRAME-MAPPING></PDU-TO-FRAME-MAPPINGS></CAN-FRAME>\n")
            for port, direction, ecu in ((f"{fname}_out", "OUT", tx), (f"{fname}_in", "IN", rx)):
                sections["ecus"].add(f"@@{ecu}@@{cname}@@<FRAME-PORT><SHORT-NAME>{port}</SHORT-NAME>"
                                     f"<COMMUNICATION-DIRECTION>{direction}</COMMUNICATION-DIRECTION></FRAME-PORT>")
            # Signals of the PDU.
            layout = place_signals(rnd, length, 6 if length == 8 else 24)
            mappings = []
            for s, (start, size, big, pos) in enumerate(layout):
                sname = f"{fname}_S{s:02d}"
                kind = rnd.choice(["LINEAR", "LINEAR", "TEXTTABLE", "SCALE_LINEAR_AND_TEXTTABLE", "IDENTICAL"])
                factor = rnd.choice([1, 0.5, 0.1, 0.25, 2])
                offset = rnd.choice([0, -40, 10])
                if kind in ("TEXTTABLE", "IDENTICAL"):
                    factor, offset = 1, 0
                signed = rnd.random() < 0.2
                finfo["signals"].append({"name": sname, "start": start, "length": size,
                                         "big_endian": big, "factor": factor, "offset": offset,
                                         "signed": signed})
                mappings.append(
                    f"<I-SIGNAL-TO-I-PDU-MAPPING><SHORT-NAME>{sname}_map</SHORT-NAME>"
                    f"{ref('I-SIGNAL-REF', 'I-SIGNAL', f'/Signals/{sname}')}"
                    f"<PACKING-BYTE-ORDER>{'MOST-SIGNIFICANT-BYTE-FIRST' if big else 'MOST-SIGNIFICANT-BYTE-LAST'}</PACKING-BYTE-ORDER>"
                    f"<START-POSITION>{start}</START-POSITION><TRANSFER-PROPERTY>PENDING</TRANSFER-PROPERTY>"
                    f"</I-SIGNAL-TO-I-PDU-MAPPING>\n")
                cm = f"CM_{sname}"
                sections["compu"].add(compu_method(cm, kind, factor, offset, rnd))
                sections["compu"].add(
                    f"<DATA-CONSTR><SHORT-NAME>DC_{sname}</SHORT-NAME><DATA-CONSTR-RULES><DATA-CONSTR-RULE>"
                    f"<INTERNAL-CONSTRS><LOWER-LIMIT>0</LOWER-LIMIT><UPPER-LIMIT>{(1 << size) - 1}</UPPER-LIMIT>"
                    f"</INTERNAL-CONSTRS></DATA-CONSTR-RULE></DATA-CONSTR-RULES></DATA-CONSTR>\n")
                sections["signals"].add(
                    f"<I-SIGNAL><SHORT-NAME>{sname}</SHORT-NAME><LENGTH>{size}</LENGTH>"
                    f"<NETWORK-REPRESENTATION-PROPS><SW-DATA-DEF-PROPS-VARIANTS><SW-DATA-DEF-PROPS-CONDITIONAL>"
                    f"{ref('BASE-TYPE-REF', 'SW-BASE-TYPE', '/BaseTypes/' + ('sint' if signed else 'uint'))}"
                    f"{ref('COMPU-METHOD-REF', 'COMPU-METHOD', f'/CompuMethods/{cm}')}"
                    f"{ref('DATA-CONSTR-REF', 'DATA-CONSTR', f'/CompuMethods/DC_{sname}')}"
                    f"</SW-DATA-DEF-PROPS-CONDITIONAL></SW-DATA-DEF-PROPS-VARIANTS></NETWORK-REPRESENTATION-PROPS>"
                    f"{ref('SYSTEM-SIGNAL-REF', 'SYSTEM-SIGNAL', f'/SystemSignals/{sname}')}</I-SIGNAL>\n"
                    f"<SYSTEM-SIGNAL><SHORT-NAME>{sname}</SHORT-NAME></SYSTEM-SIGNAL>\n")
            cyc = rnd.choice([0.01, 0.02, 0.05, 0.1, 0.5, 1.0])
            timing = (f"<I-PDU-TIMING-SPECIFICATIONS><I-PDU-TIMING><MINIMUM-DELAY>0.005</MINIMUM-DELAY>"
                      f"<TRANSMISSION-MODE-DECLARATION><TRANSMISSION-MODE-TRUE-TIMING>"
                      + (f"<CYCLIC-TIMING><TIME-PERIOD><VALUE>{cyc}</VALUE></TIME-PERIOD></CYCLIC-TIMING>"
                         if f % 4 != 1 else "")
                      + ("<EVENT-CONTROLLED-TIMING><NUMBER-OF-REPETITIONS>0</NUMBER-OF-REPETITIONS></EVENT-CONTROLLED-TIMING>"
                         if f % 4 in (1, 2) else "")
                      + "</TRANSMISSION-MODE-TRUE-TIMING></TRANSMISSION-MODE-DECLARATION></I-PDU-TIMING>"
                        "</I-PDU-TIMING-SPECIFICATIONS>")
            finfo["cycle"] = cyc if f % 4 != 1 else None
            if mux:
                sections["pdus"].add(
                    f"<MULTIPLEXED-I-PDU><SHORT-NAME>{pname}</SHORT-NAME><LENGTH>{length}</LENGTH>"
                    f"<DYNAMIC-PARTS><DYNAMIC-PART><SEGMENT-POSITIONS/><DYNAMIC-PART-ALTERNATIVES>"
                    + "".join(f"<DYNAMIC-PART-ALTERNATIVE>{ref('I-PDU-REF', 'I-SIGNAL-I-PDU', f'/Pdus/{pname}_alt{a}')}"
                              f"<INITIAL-DYNAMIC-PART>{'true' if a == 0 else 'false'}</INITIAL-DYNAMIC-PART>"
                              f"<SELECTOR-FIELD-CODE>{a}</SELECTOR-FIELD-CODE></DYNAMIC-PART-ALTERNATIVE>"
                              for a in range(2))
                    + f"</DYNAMIC-PART-ALTERNATIVES></DYNAMIC-PART></DYNAMIC-PARTS>"
                    f"<SELECTOR-FIELD-BYTE-ORDER>MOST-SIGNIFICANT-BYTE-LAST</SELECTOR-FIELD-BYTE-ORDER>"
                    f"<SELECTOR-FIELD-LENGTH>4</SELECTOR-FIELD-LENGTH><SELECTOR-FIELD-START-POSITION>60</SELECTOR-FIELD-START-POSITION>"
                    f"<STATIC-PARTS><STATIC-PART>{ref('I-PDU-REF', 'I-SIGNAL-I-PDU', f'/Pdus/{pname}_static')}</STATIC-PART></STATIC-PARTS>"
                    f"</MULTIPLEXED-I-PDU>\n")
                half = len(mappings) // 2
                for suffix, maps in (("_static", mappings[:half]), ("_alt0", mappings[half:]), ("_alt1", [])):
                    sections["pdus"].add(
                        f"<I-SIGNAL-I-PDU><SHORT-NAME>{pname}{suffix}</SHORT-NAME><LENGTH>{length}</LENGTH>"
                        f"<I-SIGNAL-TO-PDU-MAPPINGS>{''.join(maps)}</I-SIGNAL-TO-PDU-MAPPINGS></I-SIGNAL-I-PDU>\n")
                finfo["multiplexed"] = True
            else:
                sections["pdus"].add(
                    f"<I-SIGNAL-I-PDU><SHORT-NAME>{pname}</SHORT-NAME><LENGTH>{length}</LENGTH>{timing}"
                    f"<I-SIGNAL-TO-PDU-MAPPINGS>{''.join(mappings)}</I-SIGNAL-TO-PDU-MAPPINGS></I-SIGNAL-I-PDU>\n")
        sections["clusters"].add(
            f"<CAN-CLUSTER><SHORT-NAME>{cname}</SHORT-NAME><DESC><L-2 L=\"FOR-ALL\">Generated cluster {cname}</L-2></DESC>"
            f"<CAN-CLUSTER-VARIANTS><CAN-CLUSTER-CONDITIONAL><BAUDRATE>500000</BAUDRATE>"
            f"<PHYSICAL-CHANNELS><CAN-PHYSICAL-CHANNEL><SHORT-NAME>{cname}_chan</SHORT-NAME>"
            f"<COMM-CONNECTORS>{''.join(connectors)}</COMM-CONNECTORS>"
            f"<FRAME-TRIGGERINGS>{''.join(frame_trigs)}</FRAME-TRIGGERINGS>"
            f"<PDU-TRIGGERINGS>{''.join(pdu_trigs)}</PDU-TRIGGERINGS>"
            f"</CAN-PHYSICAL-CHANNEL></PHYSICAL-CHANNELS>"
            + (f"<CAN-FD-BAUDRATE>2000000</CAN-FD-BAUDRATE>" if fd else "")
            + "</CAN-CLUSTER-CONDITIONAL></CAN-CLUSTER-VARIANTS></CAN-CLUSTER>\n")
        cluster_index += 1
        est = sum(len(p) for s in sections.values() for p in s.parts) * 1.05
    # ECUs: group the frame ports per ECU and connector.
    ports = {}
    for item in sections["ecus"].parts:
        _, ecu, cname, xml = item.split("@@", 3)
        ports.setdefault(ecu, {}).setdefault(cname, []).append(xml)
    sections["ecus"].parts = []
    for ecu in ecu_names[:6]:
        conns = "".join(
            f"<CAN-COMMUNICATION-CONNECTOR><SHORT-NAME>{c}_conn</SHORT-NAME>"
            f"{ref('COMM-CONTROLLER-REF', 'CAN-COMMUNICATION-CONTROLLER', f'/Ecus/{ecu}/Ctrl')}"
            f"<ECU-COMM-PORT-INSTANCES>{''.join(p)}</ECU-COMM-PORT-INSTANCES></CAN-COMMUNICATION-CONNECTOR>"
            for c, p in sorted(ports.get(ecu, {}).items()))
        sections["ecus"].add(
            f"<ECU-INSTANCE><SHORT-NAME>{ecu}</SHORT-NAME><COMM-CONTROLLERS><CAN-COMMUNICATION-CONTROLLER>"
            f"<SHORT-NAME>Ctrl</SHORT-NAME><CAN-COMMUNICATION-CONTROLLER-VARIANTS><CAN-COMMUNICATION-CONTROLLER-CONDITIONAL>"
            f"<CAN-CONTROLLER-ATTRIBUTES><CAN-CONTROLLER-CONFIGURATION><PROP-SEG>3</PROP-SEG>"
            f"<SYNC-JUMP-WIDTH>2</SYNC-JUMP-WIDTH><TIME-SEG-1>10</TIME-SEG-1><TIME-SEG-2>3</TIME-SEG-2>"
            f"</CAN-CONTROLLER-CONFIGURATION></CAN-CONTROLLER-ATTRIBUTES></CAN-COMMUNICATION-CONTROLLER-CONDITIONAL>"
            f"</CAN-COMMUNICATION-CONTROLLER-VARIANTS></CAN-COMMUNICATION-CONTROLLER></COMM-CONTROLLERS>"
            f"<CONNECTORS>{conns}</CONNECTORS></ECU-INSTANCE>\n")
    lin_cluster(rnd, sections, fibex_refs, model)
    sections["system"].add(
        "<SYSTEM><SHORT-NAME>GeneratedSystem</SHORT-NAME><FIBEX-ELEMENTS>"
        + "".join(f"<FIBEX-ELEMENT-REF-CONDITIONAL>{r}</FIBEX-ELEMENT-REF-CONDITIONAL>" for r in fibex_refs)
        + "</FIBEX-ELEMENTS></SYSTEM>\n")
    packages = [
        ("system", [("System", "system")]),
        ("clusters", [("Clusters", "clusters")]),
        ("frames", [("Frames", "frames")]),
        ("pdus", [("Pdus", "pdus")]),
        ("signals", [("Signals", "signals_isig"), ("SystemSignals", "signals_sys")]),
        ("compu", [("CompuMethods", "compu_cm"), ("Units", "compu_units"), ("BaseTypes", "compu_bt")]),
        ("ecus", [("Ecus", "ecus")]),
    ]
    return sections, packages, model


def split_sections(sections):
    """Separate the mixed sections into the packages they belong to."""
    sig = sections["signals"].text()
    isig, syss = [], []
    for line in sig.splitlines(keepends=True):
        (syss if line.startswith("<SYSTEM-SIGNAL>") else isig).append(line)
    compu = sections["compu"].parts
    units = compu[0]
    bts = compu[1]
    cms = "".join(compu[2:])
    return {
        "system": sections["system"].text(),
        "clusters": sections["clusters"].text(),
        "frames": sections["frames"].text(),
        "pdus": sections["pdus"].text(),
        "signals_isig": "".join(isig),
        "signals_sys": "".join(syss),
        "compu_cm": cms,
        "compu_units": units,
        "compu_bt": bts,
        "ecus": sections["ecus"].text(),
    }


def document(package_bodies):
    pk = "".join(f"<AR-PACKAGE><SHORT-NAME>{name}</SHORT-NAME><ELEMENTS>\n{body}</ELEMENTS></AR-PACKAGE>\n"
                 for name, body in package_bodies)
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n<AUTOSAR xmlns="{NS}">\n<AR-PACKAGES>\n{pk}'
            f"</AR-PACKAGES>\n</AUTOSAR>\n")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--size-mb", type=float, required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--files", type=int, default=1)
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    sections, packages, model = generate(int(args.size_mb * 1e6), args.files, args.seed)
    bodies = split_sections(sections)
    if args.files <= 1:
        with open(args.out, "w", encoding="utf-8") as f:
            f.write(document([(n, bodies[k]) for _, pk in packages for n, k in pk]))
    else:
        os.makedirs(args.out, exist_ok=True)
        groups = [[] for _ in range(args.files)]
        for i, (_, pk) in enumerate(packages):
            groups[i % args.files].extend((n, bodies[k]) for n, k in pk)
        for i, g in enumerate(groups):
            if g:
                with open(os.path.join(args.out, f"part{i:02d}.arxml"), "w", encoding="utf-8") as f:
                    f.write(document(g))
    with open(args.out.rstrip("/") + ".json", "w", encoding="utf-8") as f:
        json.dump(model, f, indent=1)


if __name__ == "__main__":
    main()
