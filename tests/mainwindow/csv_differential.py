"""Random CSV files converted by the program, compared value for value with what Python's csv
module reads from the same files.

usage: csv_differential.py PROGRAM WORKDIR SEED [FILES]

Each file is written twice: the file the program converts, and a reference text that Python's
csv module reads (delimiter, double-quote frame, blanks before a frame skipped). The two differ
only where this program's reading deliberately differs from the csv module's: a quote alone
right before a separator or the line end is data here (a ditto mark) unless the frame it would
open closes on the same line right before a separator or the line end, spelled as the framed
quote in the reference (so the files frame no value that begins with a line break or that
begins with the separator and spans lines, and a ditto mark stands alone only where no such
frame follows it); and the end-of-file byte (0x1A) old xBase programs write after the
last line is no data, left out of the reference. Lines of blanks between records are no
records in either reading.

The files are converted to dBase (read back by dbfread), to CSV (read back by the csv module)
and, for one group, to SDF (cut by the field lengths of the dBase output), each group of files
in one batch. Every difference is printed with the seed and the file; the exit status is 1 when
there was any.
"""
import csv
import datetime
import io
import os
import random
import subprocess
import sys

import dbfread

# A group of files shares the settings of one batch: separator and decimal separator.
GROUPS = [
    {"name": "semi", "sep": ";", "key": "semi", "comma": True, "sdf": True},
    {"name": "comma", "sep": ",", "key": "comma", "comma": False, "sdf": False},
]
TEXT_CHARS = "abcdefghijklmnopqrstuvwxyz ABCXYZ 0123456789 \u00e4\u00f6\u00fc\u00c4\u00d6\u00dc\u00df\u20ac\u00e9-_.'!?/()"
BAD_DATES = ["31.02.2023", "15.06.23", "1.2.3", "12.31.2020", "29.02.2001", "00.01.2020", "1.13.2020"]


class Generator:
    def __init__(self, rnd, group):
        self.r = rnd
        self.sep = group["sep"]
        self.comma = group["comma"]

    # --- values (the truth: what a reader keeps after trimming blanks) ---

    def number(self, decimals):
        r = self.r
        whole = str(r.randint(0, 10 ** r.randint(1, 9)))
        if r.random() < 0.1:
            whole = "0" * r.randint(1, 2) + whole  # leading zeros
        text = whole
        if decimals:
            frac = "".join(r.choice("0123456789") for _ in range(r.randint(1, 3)))
            text = ("" if r.random() < 0.1 else whole) + ("," if self.comma else ".") + frac
        if r.random() < 0.3:
            text = "-" + text
        return text

    def date(self):
        r = self.r
        d = datetime.date(1900, 1, 1) + datetime.timedelta(days=r.randint(0, 73000))
        if r.random() < 0.3:
            return "%d.%d.%04d" % (d.day, d.month, d.year)
        return "%02d.%02d.%04d" % (d.day, d.month, d.year)

    def text(self):
        r = self.r
        chars = [r.choice(TEXT_CHARS) for _ in range(r.randint(0, 14))]
        for extra in ('"', self.sep, "\n", "\r\n", '""'):
            if r.random() < 0.12:
                chars.insert(r.randint(0, len(chars)), extra)
        return "".join(chars).strip(" ")

    def value(self, kind):
        r = self.r
        if kind == "int":
            return self.number(False)
        if kind == "dec":
            return self.number(True)
        if kind == "date":
            return self.date()
        if kind == "baddate":
            return r.choice(BAD_DATES) if r.random() < 0.3 else self.date()
        if kind == "logic":
            return r.choice([".T.", ".F."])
        if kind == "ditto":
            return '"' if r.random() < 0.4 else self.text()
        return self.text()

    # --- spelling a value in a line (the file's and the reference's) ---

    def blanks(self):
        return " " * self.r.choice([0, 0, 0, 1, 2])

    def spell(self, v):
        """The value as the file and as the reference write it."""
        r = self.r
        if v == '"' and r.random() < 0.8:
            # a ditto mark: alone in the file, framed in the reference
            b = self.blanks()
            return b + '"', b + '""""'
        must = (self.sep in v or "\n" in v or "\r" in v or v.startswith('"'))
        # A framed value cannot begin with a line break (a quote at the line end is data here),
        # nor begin with the separator and go on to the next line: its quote stands right before
        # the separator and its frame does not close on that line, as a ditto mark's.
        spans = "\n" in v or "\r" in v
        if (must or r.random() < 0.3) and not v.startswith(("\n", "\r")) and not (v.startswith(self.sep) and spans):
            s = self.blanks() + '"' + v.replace('"', '""') + '"' + self.blanks()
            return s, s
        if must:
            return None
        s = self.blanks() + v + self.blanks()
        return s, s


def closes_frame(rest, sep):
    """Whether the first single quote of `rest`, the line after a ditto mark's separator,
    stands right before a separator or the line end, blanks aside."""
    i = 0
    while True:
        j = rest.find('"', i)
        if j < 0:
            return False
        if j + 1 < len(rest) and rest[j + 1] == '"':
            i = j + 2
            continue
        k = j + 1
        while k < len(rest) and rest[k] == " ":
            k += 1
        return k == len(rest) or rest[k] in (sep, "\r", "\n")


def build(rnd, group):
    """One file: names, the true records, the file's bytes and the reference text."""
    g = Generator(rnd, group)
    r = rnd
    kinds = [r.choice(["int", "dec", "date", "baddate", "logic", "text", "text", "ditto"])
             for _ in range(r.randint(1, 6))]
    names = []
    while len(names) < len(kinds):
        name = "".join(r.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(r.randint(1, 8)))
        if name not in names:
            names.append(name)
    header = g.sep.join(g.blanks() + n for n in names) + "\r\n"
    file_parts, ref_parts, truth = [header], [header], []
    count = r.randint(1, 20)
    for i in range(count):
        while r.random() < 0.15:  # lines without data between records
            line = g.blanks() + r.choice(["\r\n", "\n"])
            file_parts.append(line)
            ref_parts.append(line)
        values = [g.value(k) for k in kinds]
        if r.random() < 0.05:
            values[r.randrange(len(values))] = ""  # an empty value: its column is text
        if values == [""]:
            values = ["x"]  # a line of one empty value is no record
        spelt = []
        for v in values:
            s = g.spell(v)
            if s is None:  # a value that must be framed but cannot be: take another
                v = "y"
                s = ("y", "y")
            spelt.append((v, s))
        values = [v for v, _ in spelt]
        # A ditto mark whose line goes on to a quote that would close a frame right before a
        # separator or the line end reads as that frame: frame the mark in the file too.
        for n, (v, (file_s, ref_s)) in enumerate(spelt):
            if file_s.strip(" ") == '"' and closes_frame(g.sep.join(s[0] for _, s in spelt[n + 1:]), g.sep):
                spelt[n] = (v, (ref_s, ref_s))
        end = "" if i == count - 1 and r.random() < 0.3 else r.choice(["\r\n", "\r\n", "\n"])
        file_parts.append(g.sep.join(s[0] for _, s in spelt) + end)
        ref_parts.append(g.sep.join(s[1] for _, s in spelt) + end)
        truth.append(values)
    file_text = "".join(file_parts)
    if r.random() < 0.3:
        file_text += "\x1a"
    return names, truth, file_text, "".join(ref_parts)


def python_records(text, sep):
    rows = list(csv.reader(io.StringIO(text, newline=""), delimiter=sep, quotechar='"',
                           skipinitialspace=True))
    header, records = rows[0], []
    for row in rows[1:]:
        if row == [] or row == [""]:
            continue  # a line without data
        values = [v.strip(" ") for v in row]
        records.append(values + [""] * (len(header) - len(values)))
    return header, records


def settings(keys):
    text = "[Config]\r\nProgIdent=mirvano\r\nLanguage=english\r\nFileHandling=overwrite\r\n"
    return text + "".join("%s=%s\r\n" % kv for kv in keys)


def run_batch(program, workdir, group, out_format, keys):
    os.makedirs(os.path.join(workdir, "home"), exist_ok=True)
    out_dir = os.path.join(workdir, group["name"], out_format)
    os.makedirs(out_dir, exist_ok=True)
    job = os.path.join(workdir, group["name"] + "-" + out_format + ".mcf")
    with open(job, "w", newline="") as f:
        f.write(settings(keys))
    env = dict(os.environ, HOME=os.path.join(workdir, "home"), QT_QPA_PLATFORM="offscreen")
    env.pop("XDG_RUNTIME_DIR", None)
    done = subprocess.run([program, os.path.join(group["name"], "in", "*.csv"),
                           os.path.join(group["name"], out_format, "*." + out_format), job],
                          cwd=workdir, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return done.returncode, done.stdout.decode("utf-8", "replace")


def number_of(text):
    return float(text.strip().replace(",", "."))


def same_number(a, b):
    return abs(a - b) <= 1e-9 * max(1.0, abs(a), abs(b))


def date_of(text):
    d, m, y = (int(p) for p in text.strip().split("."))
    return datetime.date(y, m, d)


def check_dbf(path, records, report):
    table = dbfread.DBF(path, encoding="cp1252", char_decode_errors="strict")
    got = [list(r.values()) for r in table]
    fields = table.fields
    if len(got) != len(records):
        report("%d records in the table, %d in the input" % (len(got), len(records)))
        return None
    for i, (row, want) in enumerate(zip(got, records)):
        for f, value, text in zip(fields, row, want):
            ok = False
            if f.type == "C":
                ok = value == text
            elif f.type == "N":
                ok = value is not None and same_number(float(value), number_of(text))
            elif f.type == "D":
                ok = value == date_of(text)
            elif f.type == "L":
                ok = value == (text == ".T.")
            if not ok:
                report("record %d field %s (%s): table %r, input %r" % (i + 1, f.name, f.type, value, text))
    return fields


def check_csv(path, records, fields, report):
    with open(path, encoding="cp1252", newline="") as f:
        got = list(csv.reader(f, delimiter=";", quotechar='"'))
    if len(got) != len(records):
        report("%d records in the CSV output, %d in the input" % (len(got), len(records)))
        return
    for i, (row, want) in enumerate(zip(got, records)):
        if len(row) != len(want):
            report("record %d: %d fields in the CSV output, %d in the input" % (i + 1, len(row), len(want)))
            continue
        for f, value, text in zip(fields, row, want):
            if f.type == "C":
                ok = value == text.replace('"', "'")
            elif f.type == "N" and f.decimal_count > 0:
                ok = same_number(number_of(value), number_of(text))
            else:
                ok = value == text
            if not ok:
                report("record %d field %s (%s): CSV %r, input %r" % (i + 1, f.name, f.type, value, text))


def check_sdf(path, records, fields, report):
    with open(path, encoding="cp1252", newline="") as f:
        lines = f.read().split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    if len(lines) != len(records):
        report("%d lines in the SDF output, %d records in the input" % (len(lines), len(records)))
        return
    for i, (line, want) in enumerate(zip(lines, records)):
        pos = 0
        for f, text in zip(fields, want):
            width = {"D": 10, "L": 3}.get(f.type, f.length)
            cut = line[pos:pos + width]
            pos += width + 1  # one blank between the columns
            if f.type == "C":
                ok = cut == text.replace("\r", " ").replace("\n", " ").ljust(width)[:width]
            elif f.type == "N":
                ok = len(cut) == width and same_number(float(cut), number_of(text))
            elif f.type == "D":
                ok = date_of(cut) == date_of(text)
            else:
                ok = cut == (".T." if text == ".T." else ".F.")
            if not ok:
                report("record %d field %s (%s): SDF %r, input %r" % (i + 1, f.name, f.type, cut, text))


def main():
    program, workdir, seed = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), int(sys.argv[3])
    files = int(sys.argv[4]) if len(sys.argv) > 4 else 12
    problems = []
    for group in GROUPS:
        rnd = random.Random("%d-%s" % (seed, group["name"]))
        in_dir = os.path.join(workdir, group["name"], "in")
        os.makedirs(in_dir, exist_ok=True)
        inputs = {}
        for k in range(files):
            names, truth, file_text, reference = build(rnd, group)
            name = "f%02d" % k
            with open(os.path.join(in_dir, name + ".csv"), "wb") as f:
                f.write(file_text.encode("cp1252"))
            header, records = python_records(reference, group["sep"])
            if records != truth:  # the generator and the csv module must agree first
                problems.append("seed %d %s/%s: the csv module reads %r, written %r"
                                % (seed, group["name"], name, records, truth))
            inputs[name] = records
        keys = [("FileFormatIn", "csv"), ("CharacterSetIn", "ansi"), ("CsvSeparatorIn", group["key"]),
                ("DecimalSeparatorIn", "comma" if group["comma"] else "dot"), ("CsvFieldFrameIn", "string"),
                ("HeaderLineIn", "yes"), ("FieldLengthsIn", "no")]
        outputs = [("dbf", [("FileFormatOut", "dbf"), ("CharacterSetOut", "ansi")]),
                   ("csv", [("FileFormatOut", "csv"), ("CharacterSetOut", "ansi"), ("CsvSeparatorOut", "semi"),
                            ("CsvFieldFrameOut", "string"), ("DecimalSeparatorOut", "dot"), ("HeaderLineOut", "no")])]
        if group["sdf"]:
            outputs.append(("sdf", [("FileFormatOut", "sdf"), ("CharacterSetOut", "ansi"), ("SdfOptOut", "no"),
                                    ("SdfBlankOut", "yes"), ("DecimalSeparatorOut", "dot"), ("HeaderLineOut", "no")]))
        fields = {}
        for out_format, out_keys in outputs:
            status, log = run_batch(program, workdir, group, out_format, keys + out_keys)
            if status != 0:
                problems.append("seed %d %s to %s: exit status %d\n%s" % (seed, group["name"], out_format, status, log))
            for name, records in sorted(inputs.items()):
                where = "seed %d %s/%s.csv to %s: " % (seed, group["name"], name, out_format)
                out = os.path.join(workdir, group["name"], out_format, name + "." + out_format)
                report = lambda text: problems.append(where + text)
                if not os.path.exists(out):
                    report("no output")
                elif out_format == "dbf":
                    fields[name] = check_dbf(out, records, report)
                elif fields.get(name):
                    (check_csv if out_format == "csv" else check_sdf)(out, records, fields[name], report)
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
