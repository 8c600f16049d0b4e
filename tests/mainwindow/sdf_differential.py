"""Random report-style tables written as SDF with a header line, converted by the program to CSV
and compared value for value with the table they were written from.

usage: sdf_differential.py PROGRAM WORKDIR SEED [TABLES]

The tables hold values of several words (texts, numbers with a thousands blank) beside single
words and numbers. Half of them Miller writes (`--opprint`, left-aligned, or with `--right`),
the other half a writer of our own that sets each column left or right and one or two blanks
apart from the next, as report programs do. Every table either reads back whole or is refused
with the message that names a line of it; a value cut, joined or changed while the run
succeeds is a fault. Each fault is printed with the seed and the file, then a count of the
tables read and refused; the exit status is 1 when there was any fault.
"""
import csv
import io
import os
import random
import re
import subprocess
import sys

WORDS = ["Anna", "Bert", "Los", "Angeles", "Dorothea", "Maria", "Rom", "Bonn", "New", "York", "am", "Main",
         "St.", "Li", "Bad", "Ems", "von", "der", "Au", "Ulm", "X", "Oberammergau", "de", "la", "Cruz", "Jo"]
REFUSED = re.compile(r"The columns of the SDF file cannot be separated without splitting a value: line (\d+)")


def value(r, kind):
    if kind == "text":
        return " ".join(r.choice(WORDS) for _ in range(r.choice([1, 1, 2, 2, 3])))
    if kind == "word":
        return r.choice(WORDS)
    if kind == "int":
        return str(r.randint(-999, 99999))
    if kind == "decimal":
        return "%d.%0*d" % (r.randint(0, 9999), 2, r.randint(0, 99))
    # a number written with a thousands blank: a value of two or three words
    n = r.randint(1000, 9999999)
    return "{:,}".format(n).replace(",", " ")


def table(r):
    columns = r.randint(2, 5)
    names = []
    while len(names) < columns:
        name = "".join(r.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(r.randint(2, 7)))
        if name not in names:
            names.append(name)
    kinds = [r.choice(["text", "text", "word", "int", "decimal", "thousands"]) for _ in names]
    rows = [[value(r, k) for k in kinds] for _ in range(r.randint(1, 6))]
    return names, rows


def miller(names, rows, right):
    buf = io.StringIO()
    w = csv.writer(buf, lineterminator="\n")
    w.writerow(names)
    w.writerows(rows)
    args = ["mlr", "--icsv", "--opprint"] + (["--right"] if right else []) + ["cat"]
    done = subprocess.run(args, input=buf.getvalue().encode(), stdout=subprocess.PIPE, check=True)
    return done.stdout.decode().replace("\n", "\r\n")


def own_writer(r, names, rows):
    right = [r.random() < 0.5 for _ in names]
    gaps = [r.choice([1, 2]) for _ in names[1:]] + [0]
    widths = [max([len(n)] + [len(row[i]) for row in rows]) for i, n in enumerate(names)]
    lines = []
    for line in [names] + rows:
        cells = [(v.rjust(w) if a else v.ljust(w)) + " " * g for v, w, a, g in zip(line, widths, right, gaps)]
        text = "".join(cells)
        lines.append(text.rstrip(" ") if r.random() < 0.5 else text)
    return "".join(l + "\r\n" for l in lines)


def settings(keys):
    text = "[Config]\r\nProgIdent=mirvano\r\nLanguage=english\r\nFileHandling=overwrite\r\n"
    return text + "".join("%s=%s\r\n" % kv for kv in keys)


def number(text):
    try:
        return float(text)
    except ValueError:
        return None


def same(truth, got):
    if truth == got:
        return True
    a, b = number(truth), number(got)
    return a is not None and b is not None and abs(a - b) <= 1e-9 * max(1.0, abs(a))


def main():
    program, workdir, seed = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), int(sys.argv[3])
    count = int(sys.argv[4]) if len(sys.argv) > 4 else 60
    r = random.Random(seed)
    for sub in ("in", "out", "home"):
        os.makedirs(os.path.join(workdir, sub), exist_ok=True)
    tables = {}
    for k in range(count):
        names, rows = table(r)
        writer = k % 4
        text = miller(names, rows, writer == 1) if writer < 2 else own_writer(r, names, rows)
        name = "t%02d" % k
        with open(os.path.join(workdir, "in", name + ".sdf"), "w", newline="") as f:
            f.write(text)
        out = os.path.join(workdir, "out", name + ".csv")
        if os.path.exists(out):
            os.remove(out)
        tables[name] = (rows, text)
    keys = [("FileFormatIn", "sdf"), ("CharacterSetIn", "ansi"), ("DecimalSeparatorIn", "dot"),
            ("HeaderLineIn", "yes"), ("SdfOptiBlankIn", "no"), ("FieldLengthsIn", "no"),
            ("FileFormatOut", "csv"), ("CharacterSetOut", "ansi"), ("CsvSeparatorOut", "semi"),
            ("CsvFieldFrameOut", "no"), ("DecimalSeparatorOut", "dot"), ("HeaderLineOut", "no")]
    job = os.path.join(workdir, "job.mcf")
    with open(job, "w", newline="") as f:
        f.write(settings(keys))
    env = dict(os.environ, HOME=os.path.join(workdir, "home"), QT_QPA_PLATFORM="offscreen")
    env.pop("XDG_RUNTIME_DIR", None)
    done = subprocess.run([program, os.path.join("in", "*.sdf"), os.path.join("out", "*.csv"), job],
                          cwd=workdir, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    log = done.stdout.decode("utf-8", "replace")
    problems = []
    refusals = [int(n) for n in REFUSED.findall(log)]
    refused = []
    for name, (rows, text) in sorted(tables.items()):
        where = "seed %d %s.sdf: " % (seed, name)
        out = os.path.join(workdir, "out", name + ".csv")
        if not os.path.exists(out):
            refused.append(name)
            continue
        with open(out, encoding="cp1252", newline="") as f:
            got = [[v.strip(" ") for v in rec] for rec in csv.reader(f, delimiter=";")]
        if len(got) != len(rows):
            problems.append(where + "%d records, written %d" % (len(got), len(rows)))
            continue
        for i, (g, t) in enumerate(zip(got, rows)):
            if len(g) != len(t) or not all(same(a, b) for a, b in zip(t, g)):
                problems.append(where + "record %d reads %r, written %r\n%s" % (i + 1, g, t, text))
    # Every table without an output was refused with a line of its own.
    if len(refusals) != len(refused):
        problems.append("seed %d: %d tables without output, %d refusals told\n%s" % (seed, len(refused), len(refusals), log))
    for name in refused:
        lines = tables[name][1].count("\r\n")
        if not any(2 <= n <= lines for n in refusals):
            problems.append("seed %d %s.sdf: refused without one of its lines" % (seed, name))
    if done.returncode != (1 if refused else 0) and not (refused and done.returncode != 0):
        problems.append("seed %d: exit status %d\n%s" % (seed, done.returncode, log))
    for p in problems:
        print(p)
    print("seed %d: %d tables read whole, %d refused" % (seed, count - len(refused), len(refused)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
