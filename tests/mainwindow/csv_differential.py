"""Random CSV files converted by the program, compared value for value with what Python's csv
module reads from the same files.

usage: csv_differential.py PROGRAM WORKDIR SEED [FILES]

Each file is written twice: the file the program converts, and a reference text that Python's
csv module reads (delimiter, double-quote frame, blanks before a frame skipped). The two differ
only where this program's reading deliberately differs from the csv module's: a quote alone
right before a separator or the line end is data here (a ditto mark) unless the frame it would
open closes on the same line right before a separator or the line end, or goes on over lines as
the records need it; the ditto mark is spelled as the framed quote in the reference (and stands
alone only where no such frame follows it); and the end-of-file byte (0x1A) old xBase programs
write after the last line is no data, left out of the reference. Lines of blanks and TABs
between records are no records here; the reference reading drops them too.

Values that begin with a line break, or with the separator and go on over lines, are written as
writers frame them (their quote alone at the end of the line, or before the separator). One
such value is left out where the README names the limit: where reading its quote as a ditto
mark also gives whole records (a value in the last column whose lines each read as a whole
record), the program keeps the ditto mark and warns. The script counts those it left out and
prints the count; the batch test of the fixtures covers the warning.

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
import re
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
        text = "".join(chars).strip(" ")
        # Values that begin with a line break, or with the separator and go on over lines.
        roll = r.random()
        if roll < 0.08:
            text = r.choice(["\n", "\r\n"]) + text
        elif roll < 0.12:
            text = self.sep + text + r.choice(["\n", "\r\n"]) + "".join(r.choice(TEXT_CHARS) for _ in range(3))
        return text.strip(" ")

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
        must = (self.sep in v or "\n" in v or "\r" in v or v.startswith('"') or v.startswith(("\n", "\r")))
        if must or r.random() < 0.3:
            s = self.blanks() + '"' + v.replace('"', '""') + '"' + self.blanks()
            return s, s
        s = self.blanks() + v + self.blanks()
        return s, s


# --- the program's reading of a lone quote, where both readings could hold -----------------

LINE_END = re.compile(r"\r\n|\r|\n")


def first_single_quote(line, i):
    n = len(line)
    j = line.find('"', i)
    while j >= 0:
        if j + 1 < n and line[j + 1] == '"':
            j = line.find('"', j + 2)
            continue
        return j
    return n


def closes_as_written(line, j, sep):
    k = j + 1
    while k < len(line) and line[k] == " ":
        k += 1
    return k == len(line) or line[k] == sep


def shape(line, sep, in_frame=False, open_dangling=False):
    """(fields, frame open at the end, lone quote read as data that could open a frame over
    lines) of one line by the program's frame rule."""
    n, i, fields, dangling = len(line), 0, 0, False
    if n == 0:
        return (1 if in_frame else 0), in_frame, False
    while True:
        framed, in_frame = in_frame, False
        if not framed:
            k = i
            while k < n and line[k] == " ":
                k += 1
            if k < n and line[k] == '"':
                if k + 1 < n and line[k + 1] != sep:
                    framed = True
                else:
                    close = first_single_quote(line, k + 1)
                    if close < n:
                        framed = closes_as_written(line, close, sep)
                    elif open_dangling:
                        framed = True
                    else:
                        dangling = True
                if framed:
                    i = k + 1
        fields += 1
        if framed:
            j = first_single_quote(line, i)
            if j == n:
                return fields, True, dangling
            i = j + 1
        j = line.find(sep, i)
        if j < 0:
            return fields, False, dangling
        i = j + 1


def no_data(line):
    return line.strip(" \t") == ""


def record_ahead(lines, a, sep, c):
    """The record that begins at line a (lines without data skipped), read without looking
    further ahead: (line after it, whether it has c fields), or None past the end."""
    while a < len(lines) and no_data(lines[a]):
        a += 1
    if a >= len(lines):
        return None
    before, continued = 0, False
    fields, is_open, dangling = shape(lines[a], sep)
    while True:
        if dangling and before + fields != c:
            fields, is_open, dangling = shape(lines[a], sep, continued, True)
        a += 1
        if not is_open:
            return a, before + fields == c
        if a >= len(lines):
            return None
        before += fields - 1
        fields, is_open, dangling = shape(lines[a], sep, in_frame=True)
        continued = True


def ditto_kept(lines, L, M, count, sep, c):
    """Whether the program keeps the lone quote of line L as data though its frame closes on line
    M: the record has `count` fields with the quote as data, and the records that begin on lines
    L+1 .. M are whole too."""
    if count != c:
        return False
    a = L + 1
    while a <= M:
        got = record_ahead(lines, a, sep, c)
        if got is None or not got[1]:
            return False
        a = got[0]
    return True


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


def kept_as_ditto(before, spelt, after, sep, c):
    """The index of the first value of a record that begins with a line break, or with the
    separator and goes on over lines, whose quote the program keeps as a ditto mark; None when
    there is none. `before` and `after` are the file's text around the record."""
    text = sep.join(s[0] for _, s in spelt)
    lines = LINE_END.split(before + text + after)
    above = len(LINE_END.findall(before))
    start = 0
    for idx, (v, (file_s, _)) in enumerate(spelt):
        if idx:
            start += len(sep)
        quote = start + len(file_s) - len(file_s.lstrip(" "))
        start += len(file_s)
        spans = "\n" in v or "\r" in v
        if not file_s.lstrip(" ").startswith('"') or not (v.startswith(("\n", "\r")) or (v.startswith(sep) and spans)):
            continue
        end = LINE_END.search(text, quote)
        count = idx + shape(text[quote:end.start() if end else len(text)], sep)[0]
        first = above + len(LINE_END.findall(text[:quote]))
        if ditto_kept(lines, first, first + len(LINE_END.findall(file_s)), count, sep, c):
            return idx
    return None


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
    records = []  # (place in the parts, spelt values, line end)
    left_out = 0
    count = r.randint(1, 20)
    for i in range(count):
        while r.random() < 0.15:  # lines without data between records
            line = r.choice(["", " ", "  ", "\t", " \t ", "\t\t"]) + r.choice(["\r\n", "\n"])
            file_parts.append(line)
            ref_parts.append(line)
        values = [g.value(k) for k in kinds]
        if r.random() < 0.05:
            values[r.randrange(len(values))] = ""  # an empty value: its column is text
        if values == [""]:
            values = ["x"]  # a line of one empty value is no record
        spelt = []
        for v in values:
            spelt.append((v, g.spell(v)))
        # A ditto mark whose line goes on to a quote that would close a frame right before a
        # separator or the line end reads as that frame: frame the mark in the file too.
        for n, (v, (file_s, ref_s)) in enumerate(spelt):
            if file_s.strip(" ") == '"' and closes_frame(g.sep.join(s[0] for _, s in spelt[n + 1:]), g.sep):
                spelt[n] = (v, (ref_s, ref_s))
        end = "" if i == count - 1 and r.random() < 0.3 else r.choice(["\r\n", "\r\n", "\n"])
        records.append((len(file_parts), spelt, end))
        file_parts.append(g.sep.join(s[0] for _, s in spelt) + end)
        ref_parts.append(g.sep.join(s[1] for _, s in spelt) + end)
    # The limit the README names: a value that begins with a line break whose quote reads as a
    # ditto mark as well (its reading looks at the lines after it).
    changed = True
    while changed:
        changed = False
        for place, spelt, end in records:
            k = kept_as_ditto("".join(file_parts[:place]), spelt, end + "".join(file_parts[place + 1:]),
                              g.sep, len(kinds))
            if k is not None:
                spelt[k] = ("y", ("y", "y"))
                left_out += 1
                file_parts[place] = g.sep.join(s[0] for _, s in spelt) + end
                ref_parts[place] = g.sep.join(s[1] for _, s in spelt) + end
                changed = True
    truth = [[v for v, _ in spelt] for _, spelt, _ in records]
    file_text = "".join(file_parts)
    if r.random() < 0.3:
        file_text += "\x1a"
    return names, truth, file_text, "".join(ref_parts), left_out


def python_records(text, sep):
    rows = list(csv.reader(io.StringIO(text, newline=""), delimiter=sep, quotechar='"',
                           skipinitialspace=True))
    header, records = rows[0], []
    for row in rows[1:]:
        if row == [] or (len(row) == 1 and row[0].strip(" \t") == ""):
            continue  # a line without data: none, or blanks and TABs
        values = [v.strip(" ") for v in row]
        records.append(values + [""] * (len(header) - len(values)))
    return header, records


def settings(keys):
    text = "[Config]\r\nProgIdent=mirvano\r\nLanguage=english\r\nFileHandling=overwrite\r\n"
    return text + "".join("%s=%s\r\n" % kv for kv in keys)


# The runs checked against the csv module read in sequence; each is made again in blocks of a
# few bytes on several threads (MIRVANO_BLOCK_BYTES), so that records and frames straddle the
# blocks' starts, and must write the very same bytes.
SEQUENTIAL = {"MIRVANO_THREADS": "1"}


def in_blocks(rnd):
    return {"MIRVANO_THREADS": "3", "MIRVANO_BLOCK_BYTES": str(rnd.choice([1, 7, 40, 300]))}


def run_batch(program, workdir, group, out_format, keys, threads=SEQUENTIAL, out_name=None):
    out_name = out_name or out_format
    os.makedirs(os.path.join(workdir, "home"), exist_ok=True)
    out_dir = os.path.join(workdir, group["name"], out_name)
    os.makedirs(out_dir, exist_ok=True)
    job = os.path.join(workdir, group["name"] + "-" + out_name + ".mcf")
    with open(job, "w", newline="") as f:
        f.write(settings(keys))
    env = dict(os.environ, HOME=os.path.join(workdir, "home"), QT_QPA_PLATFORM="offscreen", **threads)
    env.pop("XDG_RUNTIME_DIR", None)
    done = subprocess.run([program, os.path.join(group["name"], "in", "*.csv"),
                           os.path.join(group["name"], out_name, "*." + out_format), job],
                          cwd=workdir, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return done.returncode, done.stdout.decode("utf-8", "replace")


def same_bytes(first, second, report):
    """Reports where two outputs differ; a table's date of last change may."""
    with open(first, "rb") as f:
        a = f.read()
    with open(second, "rb") as f:
        b = f.read()
    if first.endswith(".dbf"):
        a, b = a[:1] + a[4:], b[:1] + b[4:]
    if a != b:
        at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
        report("read in blocks, the output differs from the sequential run's at byte %d (%d and %d bytes)"
               % (at, len(a), len(b)))


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
    left_out = 0
    for group in GROUPS:
        rnd = random.Random("%d-%s" % (seed, group["name"]))
        in_dir = os.path.join(workdir, group["name"], "in")
        os.makedirs(in_dir, exist_ok=True)
        inputs = {}
        for k in range(files):
            names, truth, file_text, reference, left = build(rnd, group)
            left_out += left
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
            blocks = in_blocks(rnd)
            status_b, log_b = run_batch(program, workdir, group, out_format, keys + out_keys, blocks,
                                        out_format + "-blocks")
            if (status_b, log_b.replace(out_format + "-blocks", out_format)) != (status, log):
                problems.append("seed %d %s to %s in blocks %s: the run ends with %d and tells\n%s" % (
                    seed, group["name"], out_format, blocks, status_b, log_b))
            for name, records in sorted(inputs.items()):
                where = "seed %d %s/%s.csv to %s: " % (seed, group["name"], name, out_format)
                out = os.path.join(workdir, group["name"], out_format, name + "." + out_format)
                report = lambda text: problems.append(where + text)
                if not os.path.exists(out):
                    report("no output")
                    continue
                blocked = os.path.join(workdir, group["name"], out_format + "-blocks", name + "." + out_format)
                if not os.path.exists(blocked):
                    report("no output read in blocks %s" % blocks)
                else:
                    same_bytes(out, blocked, lambda text: report(text + " %s" % blocks))
                if out_format == "dbf":
                    fields[name] = check_dbf(out, records, report)
                elif fields.get(name):
                    (check_csv if out_format == "csv" else check_sdf)(out, records, fields[name], report)
    for p in problems:
        print(p)
    print("%d values that begin with a line break left out where their quote also reads as a ditto mark "
          "(the limit the README names)" % left_out)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
