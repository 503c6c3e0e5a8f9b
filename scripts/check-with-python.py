#!/usr/bin/python3
"""An independent check of the workbooks `tiku-bank make` writes.

Makes banks from TSV and CSV sources with the built tool, then decrypts each workbook with
msoffcrypto-tool and parses it with xlrd, two readers no one on this project wrote, and compares
every cell with the sources as read here. Also checks the encryption header (RC4 CryptoAPI,
version 4.2, 128-bit) and that a wrong password is refused.

usage: check-with-python.py TIKU_BANK [WORKDIR]
Exit status 0 when every workbook reads back as made, 1 otherwise.
"""

import csv
import io
import os
import struct
import subprocess
import sys
import tempfile

import msoffcrypto
import olefile
import xlrd

BANK_PASSWORD = "qmpzrtv58204617"

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message)


# --- the sources, as this script reads them -------------------------------------------------

def unescape(field):
    out, i = [], 0
    while i < len(field):
        c = field[i]
        if c == "\\":
            e = field[i + 1]
            out.append({"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}[e])
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_tsv(path):
    with open(path, encoding="utf-8", newline="") as f:
        text = f.read()
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    rows = []
    for line in lines:
        if line.endswith("\r"):
            line = line[:-1]
        rows.append([unescape(f) for f in line.split("\t")] if line else [])
    return rows


def read_csv(path):
    with open(path, encoding="utf-8", newline="") as f:
        return [[] if r == [""] else r for r in csv.reader(f)]


def expected_cells(rows):
    cells = {}
    for r, fields in enumerate(rows):
        for c, value in enumerate(fields):
            if value != "":
                cells[(r, c)] = value
    return cells


# --- the workbooks, as msoffcrypto-tool and xlrd read them ----------------------------------

def filepass_fields(path):
    """(vMajor, vMinor, keySize) from the FILEPASS record of the Workbook stream."""
    ole = olefile.OleFileIO(path)
    data = ole.openstream("Workbook").read()
    ole.close()
    pos = 0
    while pos + 4 <= len(data):
        rtype, size = struct.unpack_from("<HH", data, pos)
        body = data[pos + 4:pos + 4 + size]
        if rtype == 0x002F:
            (kind,) = struct.unpack_from("<H", body, 0)
            if kind != 1:
                return None
            major, minor = struct.unpack_from("<HH", body, 2)
            # Flags, header size, then the header: flags, size extra, alg, hash alg, key size.
            key_bits = struct.unpack_from("<I", body, 14 + 16)[0]
            return major, minor, key_bits
        if rtype == 0x000A:
            return None
        pos += 4 + size
    return None


def decrypt(path, password):
    with open(path, "rb") as f:
        office = msoffcrypto.OfficeFile(f)
        if not office.is_encrypted():
            raise RuntimeError("not encrypted")
        office.load_key(password=password)
        out = io.BytesIO()
        office.decrypt(out)
        return out.getvalue()


def check_workbook(path, password, sheets):
    """sheets: [(name, rows)] in workbook order."""
    fields = filepass_fields(path)
    if fields != (4, 2, 128):
        fail("%s: FILEPASS is %r, expected RC4 CryptoAPI 4.2 with a 128-bit key" % (path, fields))
    try:
        decrypt(path, password + "x")
        fail("%s: a wrong password was taken" % path)
    except Exception:
        pass
    book = xlrd.open_workbook(file_contents=decrypt(path, password), formatting_info=True)
    names = book.sheet_names()
    if names != [name for name, _ in sheets]:
        fail("%s: sheets %r, expected %r" % (path, names, [n for n, _ in sheets]))
        return
    for (name, rows), sheet in zip(sheets, book.sheets()):
        want = expected_cells(rows)
        last = max((r for r, _ in want), default=-1)
        if sheet.nrows != last + 1:
            fail("%s/%s: %d rows, expected %d" % (path, name, sheet.nrows, last + 1))
        got = {}
        for r in range(sheet.nrows):
            for c in range(sheet.row_len(r)):
                cell = sheet.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                if cell.ctype != xlrd.XL_CELL_TEXT:
                    fail("%s/%s: cell (%d, %d) has type %d" % (path, name, r + 1, c + 1,
                                                               cell.ctype))
                got[(r, c)] = cell.value
        if got != want:
            wrong = sorted(set(got) ^ set(want) | {k for k in want if got.get(k) != want[k]})
            r, c = wrong[0]
            fail("%s/%s: %d cells differ, first at row %d column %d: %r, expected %r"
                 % (path, name, len(wrong), r + 1, c + 1, got.get((r, c)), want.get((r, c))))
        else:
            print("ok: %s/%s: %d rows, %d cells" % (os.path.basename(path), name,
                                                    sheet.nrows, len(got)))


# --- the cases ------------------------------------------------------------------------------

def question(bank, k, length):
    stem = bank + "第%d题：患者，男，56岁。反复胸骨后压榨样疼痛3年，每次持续3～5分钟，休息后缓解。" % k
    body = (stem * (length // len(stem) + 1))[:length]
    return body + "\nA. 稳定型心绞痛\nB. 急性心肌梗死\nC. 主动脉夹层\nD. 急性心包炎\nE. 肺栓塞"


def write_text(path, text):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)


def escape(text):
    return (text.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r")
            .replace("\t", "\\t"))


def make(tool, inputs, output, password=None):
    # Test data rather than banks a test paper can be drawn from: written with --force.
    args = [tool, "make"] + inputs + ["-o", output, "--force"]
    if password is not None:
        args += ["--password", password]
    done = subprocess.run(args, capture_output=True, text=True)
    if done.returncode != 0:
        fail("tiku-bank make %s: exit %d: %s" % (output, done.returncode, done.stderr.strip()))
        return False
    return True


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__)
        return 2
    tool = sys.argv[1]
    keep = len(sys.argv) == 3
    workdir = sys.argv[2] if keep else tempfile.mkdtemp(prefix="tiku-pycheck-")
    os.makedirs(workdir, exist_ok=True)

    # 1. A small bank: odd characters, escapes, an empty row, extra columns; mini stream.
    small = [
        "1\t" + escape("下列哪项是急性心肌梗死最早升高的标志物\nA. 肌红蛋白\nB. 肌钙蛋白") + "\tA",
        "2\t" + escape("tab\there, backslash \\ and CR\r\nend") + "\ta\textra",
        "",
        "4\t" + escape("Latin-1 é ü ß, and 😀 outside the BMP") + "\t \t\t",
        "\t\tE",
    ]
    s1 = os.path.join(workdir, "sheet1.tsv")
    write_text(s1, "\n".join(small) + "\n")
    s2 = os.path.join(workdir, "sheet2.csv")
    with open(s2, "w", encoding="utf-8", newline="") as f:
        w = csv.writer(f, lineterminator="\r\n")
        w.writerow(["1", "含有,逗号和\"引号\"\n以及换行", "B"])
        w.writerow([])
        w.writerow(["3", "plain", "C"])
    small_out = os.path.join(workdir, "small.xls")
    if make(tool, [s1, s2], small_out):
        check_workbook(small_out, BANK_PASSWORD, [("sheet1", read_tsv(s1)),
                                                  ("sheet2", read_csv(s2))])

    # 2. Another password; a text long enough to run over several CONTINUE records, in both
    #    character widths.
    long_cn = "".join(chr(0x4E00 + (i * 7) % 20000) for i in range(12000))
    long_latin = "".join(chr(0x20 + i % 95) for i in range(20000)).replace("\\", "/")
    s3 = os.path.join(workdir, "long.tsv")
    write_text(s3, "1\t%s\tA\n2\t%s\tB\n" % (escape(long_cn), escape(long_latin)))
    long_out = os.path.join(workdir, "long.xls")
    if make(tool, [s3], long_out, password="另一个密码 pass"):
        check_workbook(long_out, "另一个密码 pass", [("long", read_tsv(s3))])

    # 3. Two banks of 10,000 and 12,000 questions of about 250 characters: a file of over 10 MB,
    #    so its FAT needs DIFAT sectors.
    big = []
    for name, n in (("sheet1", 10000), ("sheet2", 12000)):
        path = os.path.join(workdir, name + ".tsv")
        write_text(path, "".join("%d\t%s\t%s\n" % (k, escape(question(name, k, 200)), "ABCDE"[k % 5])
                                 for k in range(1, n + 1)))
        big.append(path)
    big_out = os.path.join(workdir, "big.xls")
    if make(tool, big, big_out):
        size = os.path.getsize(big_out)
        if size <= 109 * 128 * 512:
            fail("big.xls is %d bytes, too small to need DIFAT sectors" % size)
        check_workbook(big_out, BANK_PASSWORD, [("sheet1", read_tsv(big[0])),
                                                ("sheet2", read_tsv(big[1]))])

    if failures:
        print("%d failures" % len(failures))
        return 1
    print("all workbooks read back as made")
    return 0


if __name__ == "__main__":
    sys.exit(main())
