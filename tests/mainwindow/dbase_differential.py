"""Differential check of the program's dBase input against dbfread and GDAL.

Usage: /usr/bin/python3 dbase_differential.py <mirvano program> <empty work directory>

Makes dBase tables as other programs write them (python-dbf, GDAL's ogr2ogr, hand-written
bytes in every code page the table layer names, by its language-driver byte or by a ".cpg"
file beside it, with odd widths and decimals, numbers without their leading zero, values
wider than their decimals allow, blanks, NUL padding, unset logicals, Visual FoxPro types and
varchars, FoxPro text fields longer than 255 bytes, two fields of one name, deleted records
and memos), converts all of them with the program's batch to CSV, SDF and dBase in ANSI and to
CSV and SDF in UTF-8, and compares every value of every output with what dbfread, and GDAL for
the tables it reads, read from the input. Every table's text holds letters of its code page
that ANSI holds and letters it lacks: the UTF-8 outputs hold them all, the ANSI outputs hold
"?" for each letter ANSI lacks (OEM's dotless i becomes "i", as Oem2Ansi writes it), and the
batch warns of each table's count of them with the record of the first. The other way, those
letters in a UTF-8 file are appended to an empty table of each code page, and dbfread reads
them back from it. Prints each difference; exits 1 when there is one.

Where the program reads differently on purpose, the comparison says so: text outputs trim
the blanks around a text; a dBase output names the second of two fields of one name anew
(and warns of it). dbfread has no reading of Visual FoxPro's varchars: the script reads them
from their bytes and the _NullFlags field, as Visual FoxPro lays them out.
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

def hand_table(name, ldid, fields, records, version=0x03, cpg=None, directory=None):
    """fields: (name, type, length, decimals[, flags]); records: bytes after the deletion mark,
    or (b'*', bytes) for a deleted record; cpg: the text of a ".cpg" file beside the table."""
    link = 263 if version == 0x30 else 0
    header = 32 + 32 * len(fields) + 1 + link
    length = 1 + sum(f[2] for f in fields)
    out = bytearray(32)
    out[0] = version
    out[1:4] = bytes([124, 1, 1])
    out[4:8] = struct.pack('<I', len(records))
    out[8:10] = struct.pack('<H', header)
    out[10:12] = struct.pack('<H', length)
    out[29] = ldid
    for n, t, l, d, *flags in fields:
        fd = bytearray(32)
        fd[0:len(n)] = n.encode()
        fd[11] = ord(t)
        # A text field longer than 255 bytes keeps its length's high byte in the decimals byte.
        fd[16] = l & 0xFF
        fd[17] = l >> 8 if t == 'C' and l > 255 else d
        fd[18] = flags[0] if flags else 0
        out += fd
    out += b'\r' + bytes(link)
    for r in records:
        mark, data = r if isinstance(r, tuple) else (b' ', r)
        assert len(data) == length - 1, (name, data, length - 1)
        out += mark + data
    out += b'\x1a'
    with open(os.path.join(directory or IN, name + '.dbf'), 'wb') as f:
        f.write(out)
    if cpg is not None:
        with open(os.path.join(directory or IN, name + '.cpg'), 'w') as f:
            f.write(cpg)


def rpad(b, n):
    return b + b' ' * (n - len(b))


def lpad(b, n):
    return b' ' * (n - len(b)) + b


# The language-driver bytes the table layer reads, with their code pages; 0x00 names none
# (read as 1252, or as the ".cpg" file beside the table names it).
CODE_PAGES = [(0x01, 'cp437'), (0x02, 'cp850'), (0x08, 'cp865'), (0x1C, 'cp863'), (0x24, 'cp860'),
              (0x64, 'cp852'), (0x65, 'cp866'), (0x67, 'cp861'), (0x6A, 'cp737'), (0x6B, 'cp857'),
              (0x86, 'cp737'), (0x87, 'cp852'), (0x88, 'cp857'), (0x03, 'cp1252'), (0x57, 'cp1252'),
              (0x00, 'cp1252'), (0xC8, 'cp1250'), (0xC9, 'cp1251'), (0xCA, 'cp1254'), (0xCB, 'cp1253'),
              (0xCC, 'cp1257'), (0x7D, 'cp1255'), (0x7E, 'cp1256'), (0x50, 'cp874')]
# Tables whose header names no code page and whose ".cpg" file does, in the forms writers use.
CPG_PAGES = [('CP1251', 'cp1251'), ('ANSI 1250', 'cp1250'), ('8859-5', 'iso8859_5'), ('88597', 'iso8859_7'),
             ('866', 'cp866'), ('UTF-8', 'utf-8')]
# Each hand-made table's code page as Python names it: dbfread knows neither the ".cpg" files
# nor every language-driver byte.
TABLE_CODEC = dict([('hand_%02x' % ldid, codec) for ldid, codec in CODE_PAGES] +
                   [('hand_cpg_%d' % i, codec) for i, (_, codec) in enumerate(CPG_PAGES)])


OEM_850 = {ldid for ldid, codec in CODE_PAGES if codec == 'cp850'}
# The Windows ("ANSI") code pages among them: a new ANSI table can take any of them.
WINDOWS_PAGES = {'cp874'} | {'cp125%d' % i for i in range(9)}
DOS_PAGES = {codec for ldid, codec in CODE_PAGES if codec not in WINDOWS_PAGES}


def letters(codec):
    """Up to six non-ASCII letters of the code page that code page 1252 holds too, and up to
    six that it lacks."""
    held, lacking = '', ''
    if codec == 'utf-8':
        return 'äö' + 'ЖЯש'
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
    pages = [('hand_%02x' % ldid, ldid, codec, None) for ldid, codec in CODE_PAGES] + \
        [('hand_cpg_%d' % i, 0, codec, form) for i, (form, codec) in enumerate(CPG_PAGES)]
    for name, ldid, codec, cpg in pages:
        text = letters(codec).encode(codec)
        hand_table(name, ldid, NUMBER_FIELDS, [
            rpad(text, 12) + b'.1234' + b'-.50' + b'123456.5' + b'  1' + lpad(b'-12345.67891', 12) + b'20240229' + b'T',
            b'ab' + b'\0' * 10 + b'0.500' + b' .50' + b'12345678' + b'999' + lpad(b'.5', 12) + b'19991231' + b'F',
            b' lead blank ' + b'     ' + b'    ' + b'        ' + b'   ' + b' ' * 12 + b' ' * 8 + b'?',
            b'\0' * 12 + lpad(b'1', 5) + b'0.00' + lpad(b'-0.00', 8) + b' -1' + lpad(b'7.123456', 12) + b'        ' + b' ',
            (b'*', rpad(b'deleted', 12) + b'0.100' + b'1.00' + lpad(b'1.00', 8) + b'  1' + lpad(b'1', 12) + b'20000101' + b'T'),
        ], cpg=cpg)
    # FoxPro and Visual FoxPro text fields longer than 255 bytes, fields behind them.
    long_fields = [('LONG', 'C', 300, 0), ('AMOUNT', 'N', 8, 2), ('OK', 'L', 1, 0), ('TAIL', 'C', 4, 0)]
    long_records = [rpad(('Zürich ' * 40 + 'end').encode('cp1252'), 300) + lpad(b'-12.50', 8) + b'T' + b'tail',
                    rpad(b'short', 300) + lpad(b'.5', 8) + b'?' + b'x   ']
    hand_table('fox_long', 0x03, long_fields, long_records, version=0xF5)
    hand_table('vfp_long', 0x03, long_fields, long_records, version=0x30)
    # Two fields of one name; the second a number, a third whose name the renaming must pass by.
    hand_table('hand_dup', 0x03, [('NAME', 'C', 6, 0), ('NAME', 'N', 5, 1), ('NAME_2', 'C', 3, 0)],
               [b'abcdef 12.5xyz', b'g      -1.0   ', b'      ' + b'     ' + b'end'])
    # Visual FoxPro varchars: full, counted in their last byte, null; _NullFlags behind them.
    hand_table('vfp_var', 0xC9, [('V', 'V', 8, 0, 0x02), ('W', 'V', 4, 0), ('C', 'C', 2, 0),
                                 ('_NullFlags', '0', 1, 0, 0x05)],
               [b'abcdefgh' + b'wxyz' + b'hi' + bytes([0]),
                'Жук'.encode('cp1251') + b'\0\0\0\0' + bytes([3]) + b'w\0\0' + bytes([1]) + b'hi' + bytes([1 | 4]),
                bytes(8) + b'ab  ' + b'hi' + bytes([2])], version=0x30)


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

    def parseV(self, field, data):
        return data

    def parse0(self, field, data):
        return data


def varchars(table, fields, records, encoding):
    """dbfread gives a varchar's bytes: its text is the whole field, or as many bytes as its
    last byte counts where its length bit in _NullFlags is set, or none where its null bit is.
    The bits go in field order: a varchar's length bit, then the null bit of a field that may
    be null. The _NullFlags field itself is no data and goes."""
    flags_at = [i for i, f in enumerate(fields) if f.type == '0']
    if not flags_at:
        return fields, records
    raw = open(table, 'rb').read(table_header_length(table))
    bits, bit = {}, 0
    for i, f in enumerate(fields):
        flags = raw[32 + 32 * i + 18]
        if f.type == '0':
            continue
        if f.type == 'V':
            bits[i] = [bit, None]
            bit += 1
        if flags & 2:
            bits.setdefault(i, [None, None])[1] = bit
            bit += 1
    out = []
    for record in records:
        null_flags = int.from_bytes(record[flags_at[0]], 'little')
        values = list(record)
        for i, f in enumerate(fields):
            if f.type != 'V':
                continue
            data, (length_bit, null_bit) = values[i], bits[i]
            if null_bit is not None and null_flags >> null_bit & 1:
                data = b''
            elif null_flags >> length_bit & 1:
                data = data[:min(data[-1], len(data) - 1)]
            values[i] = data.decode(encoding)
        out.append([v for i, v in enumerate(values) if i not in flags_at])
    return [f for i, f in enumerate(fields) if i not in flags_at], out


def table_header_length(path):
    return struct.unpack('<H', open(path, 'rb').read(10)[8:10])[0]


def read_table(path):
    ldid = open(path, 'rb').read(30)[29]
    name = os.path.basename(path)[:-4]
    encoding = TABLE_CODEC.get(name, 'cp1252' if ldid == 0 else None) if os.path.dirname(path) == IN else None
    cpg = path[:-4] + '.cpg'
    if encoding is None and ldid == 0 and os.path.exists(cpg):
        # An output that took its input's ".cpg" file along, which dbfread does not read.
        encoding = dict(CPG_PAGES).get(open(cpg).read().strip())
    if encoding is None and ldid not in dbfread.codepages.codepages:
        # An output that kept its input's byte, one dbfread does not know (0xCC, Baltic).
        encoding = dict(CODE_PAGES).get(ldid)
    # The values of each record in field order, two fields of one name both kept.
    table = dbfread.DBF(path, parserclass=ExactParser, encoding=encoding, char_decode_errors='strict',
                        recfactory=lambda items: [v for _, v in items])
    return varchars(path, table.fields, list(table), table.encoding)


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
    elif t in 'CMV':
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
        # A logical that is neither true nor false stays unset: no value.
        if ours.strip() != {True: '.T.', False: '.F.', None: ''}[expected]:
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
    own_page = codec in WINDOWS_PAGES and codec != 'cp1252'
    if name in TABLE_CODEC and ldid == 0:
        # A ".cpg" table of any page but a DOS one: the new table takes the file along.
        codec = TABLE_CODEC[name]
        own_page = codec != 'cp1252' and codec not in DOS_PAGES
    # The warnings of the ANSI outputs, the same in each, and none of the UTF-8 outputs.
    count, first = lost_in_ansi(records, oem)
    for ext in OUTPUTS:
        got = warnings.get((ext, name))
        want = (count, first) if count and not ext.startswith('utf8') and not (ext == 'dbf' and own_page) else None
        if got != want:
            problem('%s.%s: warns of %r lost characters (count, first record), ours %r' % (name, ext, want, got))
    out_fields, out_records = read_table(os.path.join(WORK, 'dbf', name + '.dbf'))
    # dBase: every field, every value.
    names = RENAMED.get(name, [f.name for f in fields])
    if [f.name for f in out_fields] != names or len(out_records) != len(records):
        problem('%s.dbf: %s %d records, ours %s %d records' % (
            name, names, len(records), [f.name for f in out_fields], len(out_records)))
        return
    for r, (want, got) in enumerate(zip(records, out_records), 1):
        for field, out_field, e, o in zip(fields, out_fields, want, got):
            where = '%s.dbf record %d %s' % (name, r, field.name)
            if isinstance(e, str) and not own_page:
                e = in_ansi(e, oem)[0]
            if field.type == 'L':
                if o is not e:
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
    # GDAL's reading of the dBase III tables, by its column names.
    # GDAL reads a FoxPro text field longer than 255 bytes by its length byte alone.
    head = open(path, 'rb').read(32)
    if not gdal or any(f.type in 'IYBTV' or f.length > 255 for f in fields):
        return
    # GDAL takes the ANSI bytes 0x57 and 0x00 for ISO 8859-1, where code page 1252 has letters
    # that 8859-1 lacks, and knows no Hebrew (0x7D) or Arabic (0x7E) byte.
    # Nor does it take "ANSI 1250" in a ".cpg" file.
    latin1 = head[29] in (0x57, 0x7D, 0x7E) or (head[29] == 0 and TABLE_CODEC.get(name, 'cp1252') == 'cp1252') or \
        name == 'hand_cpg_%d' % CPG_PAGES.index(('ANSI 1250', 'cp1250'))
    header, gdal = gdal[0], gdal[1:]
    if len(gdal) != len(lines):
        problem('%s: GDAL reads %d records, ours %d' % (name, len(gdal), len(lines)))
        return
    column = {}
    for n, (_, field, _) in enumerate(written):
        column.setdefault(field.name, n)  # GDAL names the second of two alike anew
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
            elif field.type == 'L' and ours != ('.T.' if g in 'TtYy' and g else '.F.' if g in 'FfNn' and g else ''):
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


# The dBase output's names of a table with two fields of one name.
RENAMED = {'hand_dup': ['NAME', 'NAME_3', 'NAME_2']}
RENAME_WARNING = re.compile(r'^warning: The field name (\S+) occurs more than once: the output file names data field '
                            r'no\. (\d+) (\S+)$')


def read_warnings(ext, log):
    """The lost characters each table's run warned of, by (output, table): (count, record)."""
    found = {}
    renames = []
    pattern = re.compile(r'^warning: (\d+) characters were replaced in the output file \(missing from its character set, or a quote or '
                         r'separator inside a value\), the first in record (\d+) of (.*)$')
    for line in log.splitlines():
        m = pattern.match(line)
        if m:
            table = os.path.basename(m.group(3))[:-4]
            if (ext, table) in found:
                problem('%s.%s: warned twice' % (table, ext))
            found[(ext, table)] = (int(m.group(1)), int(m.group(2)))
        elif RENAME_WARNING.match(line):
            renames.append(RENAME_WARNING.match(line).groups())
        elif line.startswith('warning:'):
            problem('%s: %s' % (ext, line))
    want = [('NAME', '2', 'NAME_3')] if ext == 'dbf' else []
    if renames != want:
        problem('%s: warns of renamed fields %r, ours %r' % (ext, want, renames))
    return found


def the_other_way(env):
    """Each code page's letters in a UTF-8 file appended to an empty table of that code page
    (an OEM table from an OEM output): dbfread reads them back from it."""
    pages = [('hand_%02x' % ldid, ldid, codec, None) for ldid, codec in CODE_PAGES] + \
        [('hand_cpg_%d' % i, 0, codec, form) for i, (form, codec) in enumerate(CPG_PAGES)]
    oem_codecs = {'cp437', 'cp850', 'cp865', 'cp863', 'cp860', 'cp852', 'cp866', 'cp861', 'cp737', 'cp857'}
    for charset in ('ansi', 'ascii'):
        back = os.path.join(WORK, 'back_' + charset)
        os.makedirs(back)
        for name, ldid, codec, cpg in pages:
            if (codec in oem_codecs) != (charset == 'ascii'):
                continue
            hand_table(name, ldid, [('NAME', 'C', 40, 0)], [], cpg=cpg, directory=back)
            with open(os.path.join(back, name + '.csv'), 'w', encoding='utf-8', newline='') as f:
                f.write('NAME\r\n' + letters(codec) + '\r\n')
        job = os.path.join(WORK, 'back_%s.mcf' % charset)
        with open(job, 'w', newline='') as f:
            f.write('[Config]\r\nProgIdent=mirvano\r\nLanguage=english\r\nFileHandling=append\r\n'
                    'FileFormatIn=csv\r\nCharacterSetIn=utf8\r\nCsvSeparatorIn=semi\r\nCsvFieldFrameIn=no\r\n'
                    'HeaderLineIn=yes\r\nFileFormatOut=dbf\r\nCharacterSetOut=%s\r\n' % charset)
        run = subprocess.run([PROGRAM, os.path.basename(back) + '/*.csv', os.path.basename(back) + '/*.dbf', job],
                             cwd=WORK, env=env, capture_output=True)
        if run.returncode != 0 or b'warning' in run.stderr:
            problem('the batch appending to the %s tables: %s' % (charset, run.stderr.decode(errors='replace')))
        for name, ldid, codec, cpg in pages:
            path = os.path.join(back, name + '.dbf')
            if not os.path.exists(path[:-4] + '.csv'):
                continue
            try:
                got = [r['NAME'] for r in dbfread.DBF(path, encoding=codec, char_decode_errors='strict')]
            except Exception as e:  # a reader's complaint is a difference too
                got = '%s: %s' % (type(e).__name__, e)
            if got != [letters(codec)]:
                problem('%s: appended %r, dbfread reads %r' % (path, [letters(codec)], got))


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
    the_other_way(env)
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
