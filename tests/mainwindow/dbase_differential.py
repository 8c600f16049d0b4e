"""Differential check of the program's dBase input against dbfread and GDAL.

Usage: /usr/bin/python3 dbase_differential.py <mirvano program> <empty work directory>

Makes dBase tables as other programs write them (python-dbf, GDAL's ogr2ogr, hand-written
bytes in every code page the table layer names, with odd widths and decimals, numbers without
their leading zero, values wider than their decimals allow, blanks, NUL padding, Visual FoxPro
types, deleted records and memos), converts all of them with the program's batch to CSV, SDF
and dBase in ANSI and to CSV and SDF in UTF-8, and compares every value of every output with
what dbfread, and GDAL for the tables it reads, read from the input. Every table's text holds
letters of its code page that ANSI holds and letters it lacks: the UTF-8 outputs hold them all,
the ANSI outputs hold "?" for each letter ANSI lacks (OEM's dotless i becomes "i", as Oem2Ansi
writes it), and the batch warns of each table's count of them with the record of the first.
Prints each difference; exits 1 when there is one.

Where the program reads differently on purpose, the comparison says so: a logical that is
neither true nor false ("?", blank) is false to the program; text outputs trim the blanks
around a text.
"""
import csv
import datetime
import decimal
import os
import re
import shutil
import struct
import subprocess
import sys

import dbfread

PROGRAM, WORK = sys.argv[1], sys.argv[2]
IN = os.path.join(WORK, 'in')
problems = []


def problem(text):
    problems.append(text)


# --- tables ---------------------------------------------------------------------------------

def hand_table(name, ldid, fields, records, version=0x03):
    """fields: (name, type, length, decimals); records: bytes after the deletion mark, or
    (b'*', bytes) for a deleted record."""
    header = 32 + 32 * len(fields) + 1
    length = 1 + sum(f[2] for f in fields)
    out = bytearray(32)
    out[0] = version
    out[1:4] = bytes([124, 1, 1])
    out[4:8] = struct.pack('<I', len(records))
    out[8:10] = struct.pack('<H', header)
    out[10:12] = struct.pack('<H', length)
    out[29] = ldid
    for n, t, l, d in fields:
        fd = bytearray(32)
        fd[0:len(n)] = n.encode()
        fd[11] = ord(t)
        fd[16] = l
        fd[17] = d
        out += fd
    out += b'\r'
    for r in records:
        mark, data = r if isinstance(r, tuple) else (b' ', r)
        assert len(data) == length - 1, (name, data, length - 1)
        out += mark + data
    out += b'\x1a'
    with open(os.path.join(IN, name + '.dbf'), 'wb') as f:
        f.write(out)


def rpad(b, n):
    return b + b' ' * (n - len(b))


def lpad(b, n):
    return b' ' * (n - len(b)) + b


# The language-driver bytes the table layer reads, with their code pages; 0x00 names none
# (read as 1252) and 0xC9 is Windows Cyrillic.
CODE_PAGES = [(0x01, 'cp437'), (0x02, 'cp850'), (0x08, 'cp865'), (0x1C, 'cp863'), (0x24, 'cp860'),
              (0x64, 'cp852'), (0x65, 'cp866'), (0x67, 'cp861'), (0x6A, 'cp737'), (0x6B, 'cp857'),
              (0x03, 'cp1252'), (0x57, 'cp1252'), (0x00, 'cp1252'), (0xC9, 'cp1251')]


OEM_850 = {ldid for ldid, codec in CODE_PAGES if codec == 'cp850'}


def letters(codec):
    """Up to six non-ASCII letters of the code page that code page 1252 holds too, and up to
    six that it lacks."""
    held, lacking = '', ''
    for b in range(128, 256):
        ch = bytes([b]).decode(codec, errors='replace')
        if ch == '\ufffd' or not (ch.isalpha() or ch in '¢£¥§°±²µ·¼½¿'):
            continue
        try:
            ch.encode('cp1252')
            held += ch
        except UnicodeEncodeError:
            lacking += ch
    return (held[:6] + lacking[:6]) or 'none'


# What an ANSI output holds for a character code page 1252 lacks: "?", but between OEM (850)
# and ANSI the look-alike Oem2Ansi writes.
LOOK_ALIKES = {'ı': 'i'}


def in_ansi(text, oem):
    """`text` as an ANSI output holds it, and how many of its characters were replaced."""
    out, lost = '', 0
    for ch in text:
        try:
            ch.encode('cp1252')
            out += ch
        except UnicodeEncodeError:
            out += LOOK_ALIKES.get(ch, '?') if oem else '?'
            lost += 1
    return out, lost


NUMBER_FIELDS = [('NAME', 'C', 12, 0), ('A', 'N', 5, 4), ('B', 'N', 4, 2), ('C', 'N', 8, 2),
                 ('D', 'N', 3, 0), ('E', 'N', 12, 5), ('BORN', 'D', 8, 0), ('OK', 'L', 1, 0)]


def hand_tables():
    for ldid, codec in CODE_PAGES:
        text = letters(codec).encode(codec)
        name = 'hand_%02x' % ldid
        hand_table(name, ldid, NUMBER_FIELDS, [
            rpad(text, 12) + b'.1234' + b'-.50' + b'123456.5' + b'  1' + lpad(b'-12345.67891', 12) + b'20240229' + b'T',
            b'ab' + b'\0' * 10 + b'0.500' + b' .50' + b'12345678' + b'999' + lpad(b'.5', 12) + b'19991231' + b'F',
            b' lead blank ' + b'     ' + b'    ' + b'        ' + b'   ' + b' ' * 12 + b' ' * 8 + b'?',
            b'\0' * 12 + lpad(b'1', 5) + b'0.00' + lpad(b'-0.00', 8) + b' -1' + lpad(b'7.123456', 12) + b'        ' + b' ',
            (b'*', rpad(b'deleted', 12) + b'0.100' + b'1.00' + lpad(b'1.00', 8) + b'  1' + lpad(b'1', 12) + b'20000101' + b'T'),
        ])


def python_dbf_tables():
    import dbf
    t = dbf.Table(os.path.join(IN, 'pydbf_db3.dbf'),
                  'NAME C(12); AMOUNT N(9,2); QTY N(5,0); RATE N(6,4); BORN D; OK L; NOTE M',
                  dbf_type='db3', codepage='cp437')
    t.open(dbf.READ_WRITE)
    t.append(('Müller ¢', 1234.5, 42, 0.1234, datetime.date(1990, 1, 31), True, 'memo text\r\nline two'))
    t.append(('Ære', -0.25, -7, None, None, None, ''))
    t.append(('gone', 1, 1, 1, None, False, 'x'))
    dbf.delete(t[-1])
    t.close()
    v = dbf.Table(os.path.join(IN, 'pydbf_vfp.dbf'), 'NAME C(10); I I; Y Y; B B; T T; NOTE M',
                  dbf_type='vfp', codepage='cp1252')
    v.open(dbf.READ_WRITE)
    v.append(('Zoë', -5, decimal.Decimal('1234.5678'), 1 / 3, datetime.datetime(2021, 3, 4, 5, 6, 7), 'fox'))
    v.append(('b', 2147483646, decimal.Decimal('-0.5'), -1e-7, None, ''))
    v.append(('c', 0, decimal.Decimal('922337203685.4775'), 1e22, datetime.datetime(1999, 12, 31, 23, 59, 59), 'x'))
    v.close()


def gdal_table():
    if not shutil.which('ogr2ogr'):
        return
    src = os.path.join(WORK, 'gdal_src.csv')
    with open(src, 'w', encoding='utf-8') as f:
        f.write('NAME,COUNT,ID,REAL,NARROW,DAY\n'
                'Zürich,7,12345678901234567,123.456,123456.5,2019/07/14\n'
                ',-2,-98765432109876543,-0.5,12345678,\n'
                'x,,1,1e-15,1.25,2000/02/29\n')
    with open(src + 't', 'w') as f:
        f.write('"String(12)","Integer(6)","Integer64","Real(24.15)","Real(8.2)","Date"')
    subprocess.run(['ogr2ogr', '-f', 'ESRI Shapefile', '-lco', 'ENCODING=CP1252',
                    os.path.join(IN, 'gdal.dbf'), src], check=True, capture_output=True)


# --- reading --------------------------------------------------------------------------------

class ExactParser(dbfread.FieldParser):
    """dbfread's reading, numbers as the exact decimals their text holds."""

    def parseN(self, field, data):
        text = data.strip().strip(b'*')
        return decimal.Decimal(text.decode()) if text else None

    parseF = parseN


def read_table(path):
    ldid = open(path, 'rb').read(30)[29]
    encoding = 'cp1252' if ldid == 0 else None
    table = dbfread.DBF(path, parserclass=ExactParser, encoding=encoding, char_decode_errors='strict')
    return table.fields, [list(r.values()) for r in table]


def gdal_read():
    """GDAL's reading of every table, by name: its CSV rows, the column names first."""
    if not shutil.which('ogr2ogr'):
        return {}
    out = os.path.join(WORK, 'gdal')
    if subprocess.run(['ogr2ogr', '-f', 'CSV', out, IN], capture_output=True).returncode != 0:
        return {}
    read = {}
    for n in os.listdir(out):
        with open(os.path.join(out, n), encoding='utf-8', errors='surrogateescape', newline='') as f:
            read[n[:-4]] = list(csv.reader(f))
    return read


# --- comparing ------------------------------------------------------------------------------

def empty_date(text):
    return text.replace('.', '').strip() == ''


def same_text(expected, ours, where, trim):
    """trim: 'both' (CSV trims a text), 'right' (SDF pads it), '' (as it stands)."""
    if expected is None:
        expected = ''
    if trim:
        expected = expected.strip(' ') if trim == 'both' else expected.rstrip(' ')
        ours = ours.strip(' ') if trim == 'both' else ours.rstrip(' ')
    if ours != expected:
        problem('%s: %r, ours %r' % (where, expected, ours))


def same_stamp(expected, ours, where):
    stamp = ''
    if expected is not None:
        stamp = expected.strftime('%Y-%m-%d %H:%M:%S')
        if expected.microsecond:
            stamp += '.%03d' % (expected.microsecond // 1000)
    if ours.strip() != stamp:
        problem('%s: %r, ours %r' % (where, expected, ours))


def same_number(expected, ours, where):
    ours = ours.strip()
    if expected is None:
        if ours != '':
            problem('%s: no number, ours %r' % (where, ours))
        return
    try:
        if isinstance(expected, float):
            ok = float(ours) == expected or (expected != expected and ours == 'nan')
        else:
            ok = decimal.Decimal(ours) == decimal.Decimal(expected)
    except (ValueError, decimal.InvalidOperation):
        ok = False
    if not ok:
        problem('%s: %r, ours %r' % (where, expected, ours))


def same_value(field, expected, ours, where, trim='both', ansi=None):
    """`ours` is the text an output wrote for a value dbfread read as `expected`; with `ansi`
    (the table's code page is OEM 850: True) as an ANSI output holds the text."""
    t = field.type
    if ansi is not None and isinstance(expected, str):
        expected = in_ansi(expected, ansi)[0]
    if t == 'T':
        same_stamp(expected, ours, where)
    elif t in 'CM':
        same_text(expected, ours, where, trim)
    elif t in 'NFIYB':
        same_number(expected, ours, where)
    elif t == 'D':
        if expected is None:
            if not empty_date(ours):
                problem('%s: no date, ours %r' % (where, ours))
        elif ours.strip() != expected.strftime('%d.%m.%Y'):
            problem('%s: %r, ours %r' % (where, expected, ours))
    elif t == 'L':
        # A logical that is neither true nor false reads as false.
        if ours.strip() != ('.T.' if expected else '.F.'):
            problem('%s: %r, ours %r' % (where, expected, ours))


def ascii_only(value):
    return not isinstance(value, str) or all(ord(c) < 128 for c in value)


def lost_in_ansi(records, oem):
    """The characters of the records' texts an ANSI output lacks, and the record of the first
    (records are numbered as read: the deleted ones of these tables come last)."""
    count, first = 0, 0
    for r, record in enumerate(records, 1):
        for value in record:
            if isinstance(value, str):
                n = in_ansi(value, oem)[1]
                if n and not first:
                    first = r
                count += n
    return count, first


def compare(name, gdal, warnings):
    path = os.path.join(IN, name + '.dbf')
    fields, records = read_table(path)
    ldid = open(path, 'rb').read(30)[29]
    oem = ldid in OEM_850
    # A new ANSI table takes the code page of a Windows table of another page: every letter keeps.
    codec = dict(CODE_PAGES).get(ldid, 'cp1252')
    own_page = codec.startswith('cp125') and codec != 'cp1252'
    # The warnings of the ANSI outputs, the same in each, and none of the UTF-8 outputs.
    count, first = lost_in_ansi(records, oem)
    for ext in OUTPUTS:
        got = warnings.get((ext, name))
        want = (count, first) if count and not ext.startswith('utf8') and not (ext == 'dbf' and own_page) else None
        if got != want:
            problem('%s.%s: warns of %r lost characters (count, first record), ours %r' % (name, ext, want, got))
    out_fields, out_records = read_table(os.path.join(WORK, 'dbf', name + '.dbf'))
    # dBase: every field, every value.
    if [f.name for f in out_fields] != [f.name for f in fields] or len(out_records) != len(records):
        problem('%s.dbf: %s %d records, ours %s %d records' % (
            name, [f.name for f in fields], len(records), [f.name for f in out_fields], len(out_records)))
        return
    for r, (want, got) in enumerate(zip(records, out_records), 1):
        for field, out_field, e, o in zip(fields, out_fields, want, got):
            where = '%s.dbf record %d %s' % (name, r, field.name)
            if isinstance(e, str) and not own_page:
                e = in_ansi(e, oem)[0]
            if field.type == 'L':
                if o is not bool(e):
                    problem('%s: %r, ours %r' % (where, e, o))
            elif out_field.type == 'N':
                same_number(e, '' if o is None else str(o), where)
            elif out_field.type == 'C' and field.type != 'C':
                same_value(field, e, o, where)
            elif field.type == 'M' and not e and not o:
                continue  # an empty memo is written as none
            elif e != o:
                problem('%s: %r, ours %r' % (where, e, o))
    # Text outputs: the fields that put something into a line, in the dBase output's sizes.
    written = [(i, f, of) for i, (f, of) in enumerate(zip(fields, out_fields)) if of.type in 'CNFDL']
    for csv_ext, sdf_ext, encoding in (('csv', 'sdf', 'cp1252'), ('utf8csv', 'utf8sdf', 'utf-8')):
        ansi = oem if encoding == 'cp1252' else None
        with open(os.path.join(WORK, csv_ext, name + '.csv'), encoding=encoding, newline='') as f:
            lines = list(csv.reader(f, delimiter=';', quotechar='"'))
        with open(os.path.join(WORK, sdf_ext, name + '.sdf'), encoding=encoding, newline='') as f:
            sdf = f.read().split('\r\n')[:-1]
        if len(lines) != len(records) or len(sdf) != len(records):
            problem('%s: %d records, ours %d %s lines, %d %s lines' % (
                name, len(records), len(lines), csv_ext, len(sdf), sdf_ext))
            return
        for r, (want, line, row) in enumerate(zip(records, lines, sdf), 1):
            if len(line) != len(written):
                problem('%s.%s line %d: %d values, ours %d' % (name, csv_ext, r, len(written), len(line)))
                continue
            at = 0
            for (i, field, of), value in zip(written, line):
                width = 10 if of.type == 'D' else 3 if of.type == 'L' else of.length
                column = row[at:at + width]
                at += width
                same_value(field, want[i], value, '%s.%s line %d %s' % (name, csv_ext, r, field.name), ansi=ansi)
                same_value(field, want[i], column, '%s.%s line %d %s' % (name, sdf_ext, r, field.name), trim='right',
                           ansi=ansi)
            if at != len(row):
                problem('%s.%s line %d: %d characters, ours %d' % (name, sdf_ext, r, at, len(row)))
    with open(os.path.join(WORK, 'csv', name + '.csv'), encoding='cp1252', newline='') as f:
        lines = list(csv.reader(f, delimiter=';', quotechar='"'))
    # GDAL's reading of the dBase III tables, by its column names. GDAL takes the ANSI bytes
    # 0x57 and 0x00 for ISO 8859-1, where code page 1252 has letters that 8859-1 lacks.
    if not gdal or any(f.type in 'IYBT' for f in fields):
        return
    latin1 = open(path, 'rb').read(30)[29] in (0x00, 0x57)
    header, gdal = gdal[0], gdal[1:]
    if len(gdal) != len(lines):
        problem('%s: GDAL reads %d records, ours %d' % (name, len(gdal), len(lines)))
        return
    column = {field.name: n for n, (_, field, _) in enumerate(written)}
    for r, (row, line) in enumerate(zip(gdal, lines), 1):
        for g, title in zip(row, header):
            if title not in column:
                continue
            field = written[column[title]][1]
            ours = line[column[title]]
            where = '%s.csv line %d %s (GDAL)' % (name, r, field.name)
            if latin1 and not ascii_only(g):
                continue
            g = in_ansi(g, oem)[0]
            if field.type == 'C':
                same_text(g, ours, where, 'both')
            elif field.type == 'N':
                # GDAL gives a number at its field's decimals, rounding any the text has beyond.
                if g and ours and decimal.Decimal(g) == round(decimal.Decimal(ours), field.decimal_count):
                    continue
                same_number(decimal.Decimal(g) if g else None, ours, where)
            elif field.type == 'D':
                if (g == '') != empty_date(ours) or (g and ours != '.'.join(reversed(g.split('/')))):
                    problem('%s: %r, ours %r' % (where, g, ours))
            elif field.type == 'L' and ours != ('.T.' if g in ('T', 't', 'Y', 'y') else '.F.'):
                problem('%s: %r, ours %r' % (where, g, ours))


# --- the run --------------------------------------------------------------------------------

def settings(lines):
    return '[Config]\r\nProgIdent=mirvano\r\nLanguage=english\r\nFileHandling=overwrite\r\n' + \
        ''.join(l + '\r\n' for l in ['FileFormatIn=dbf', 'CharacterSetIn=ansi'] + lines)


OUTPUTS = {
    'csv': ['FileFormatOut=csv', 'CharacterSetOut=ansi', 'DecimalSeparatorOut=dot', 'CsvSeparatorOut=semi',
            'CsvFieldFrameOut=string', 'HeaderLineOut=no'],
    'sdf': ['FileFormatOut=sdf', 'CharacterSetOut=ansi', 'DecimalSeparatorOut=dot', 'SdfOptOut=no',
            'SdfBlankOut=no', 'HeaderLineOut=no'],
    'dbf': ['FileFormatOut=dbf', 'CharacterSetOut=ansi'],
    'utf8csv': ['FileFormatOut=csv', 'CharacterSetOut=utf8', 'DecimalSeparatorOut=dot', 'CsvSeparatorOut=semi',
                'CsvFieldFrameOut=string', 'HeaderLineOut=no'],
    'utf8sdf': ['FileFormatOut=sdf', 'CharacterSetOut=utf8', 'DecimalSeparatorOut=dot', 'SdfOptOut=no',
                'SdfBlankOut=no', 'HeaderLineOut=no'],
}
SUFFIX = {'csv': 'csv', 'sdf': 'sdf', 'dbf': 'dbf', 'utf8csv': 'csv', 'utf8sdf': 'sdf'}


def read_warnings(ext, log):
    """The lost characters each table's run warned of, by (output, table): (count, record)."""
    found = {}
    pattern = re.compile(r'^warning: (\d+) characters were replaced in the output file \(missing from its character set, or a quote or '
                         r'separator inside a value\), the first in record (\d+) of (.*)$')
    for line in log.splitlines():
        m = pattern.match(line)
        if m:
            table = os.path.basename(m.group(3))[:-4]
            if (ext, table) in found:
                problem('%s.%s: warned twice' % (table, ext))
            found[(ext, table)] = (int(m.group(1)), int(m.group(2)))
        elif line.startswith('warning:'):
            problem('%s: %s' % (ext, line))
    return found


def main():
    os.makedirs(IN)
    hand_tables()
    python_dbf_tables()
    gdal_table()
    env = dict(os.environ, HOME=os.path.join(WORK, 'home'), QT_QPA_PLATFORM='offscreen')
    env.pop('XDG_RUNTIME_DIR', None)
    os.makedirs(env['HOME'])
    warnings = {}
    for ext, lines in OUTPUTS.items():
        os.makedirs(os.path.join(WORK, ext))
        job = os.path.join(WORK, ext + '.mcf')
        with open(job, 'w', newline='') as f:
            f.write(settings(lines))
        run = subprocess.run([PROGRAM, 'in/*.dbf', ext + '/*.' + SUFFIX[ext], job], cwd=WORK, env=env,
                             capture_output=True)
        if run.returncode != 0:
            problem('the batch to %s failed: %s' % (ext, run.stderr.decode(errors='replace')))
        warnings.update(read_warnings(ext, run.stderr.decode(errors='replace')))
    names = sorted(n[:-4] for n in os.listdir(IN) if n.endswith('.dbf'))
    gdal = gdal_read()
    for name in names:
        try:
            compare(name, gdal.get(name), warnings)
        except Exception as e:  # a reader's complaint is a difference too
            problem('%s: %s: %s' % (name, type(e).__name__, e))
    for p in problems:
        print(p)
    print('%d tables, %d differences' % (len(names), len(problems)))
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
