#!/usr/bin/python3
"""Independent checks of `tiku-bank make` with LibreOffice (and openpyxl, python-docx).

usage: check-with-libreoffice.py TIKU_BANK [WORKDIR]

(a) LibreOffice writes .xlsx, .ods and .docx inputs from the test data below (and the same
    workbook as .xls); openpyxl and python-docx write a second .xlsx and .docx. Banks are made
    from each, and every cell `tiku-bank dump` shows is compared with the data and, for the
    spreadsheets, with what it shows of LibreOffice's own .xls of the same workbook.
(b) Banks that `make` wrote (small; texts split over CONTINUE records; over 7 MB) are opened in
    LibreOffice with the password, and every cell compared with the sources.

Exits 77 (skipped) when LibreOffice or its Python bridge is missing. One LibreOffice process
with a private profile serves every step, so the check runs beside other tests and as root.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
PASSWORD = "qmpzrtv58204617"

try:
    import uno
    from com.sun.star.beans import PropertyValue
except ImportError:
    print("skipped: the LibreOffice Python bridge (python3-uno) is missing")
    sys.exit(SKIP)
SOFFICE = shutil.which("soffice")
if SOFFICE is None:
    print("skipped: LibreOffice (soffice) is missing")
    sys.exit(SKIP)

TOOL = sys.argv[1]
WORK = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="tiku-lo-")
os.makedirs(WORK, exist_ok=True)

# The sheets make turns into the banks when no sheet is named sheet1 or sheet2.
BANK_SHEETS = {"人文": "sheet1", "临床": "sheet2"}
failures = []


def fail(what):
    failures.append(what)
    print("FAIL:", what)


def props(**kw):
    out = []
    for k, v in kw.items():
        p = PropertyValue()
        p.Name = k
        p.Value = v
        out.append(p)
    return tuple(out)


def url(path):
    return uno.systemPathToFileUrl(os.path.abspath(path))


def run(*args, expect=0):
    r = subprocess.run([TOOL, *args], capture_output=True, text=True)
    if r.returncode != expect:
        fail("tiku-bank %s: exit %d: %s" % (" ".join(args), r.returncode, r.stderr.strip()))
    return r.stdout


def dump(bank, sheet, password=None):
    args = ["dump", bank, "--sheet", sheet]
    if password is not None:
        args += ["--password", password]
    return run(*args).splitlines()


def escape(s):
    return s.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r").replace("\t", "\\t")


# --- The test data -------------------------------------------------------------------------
# Rows of (column B, column C); None is an empty cell. Row 3 stays empty in between.
HUMANITIES = [
    ("医学伦理学的基本原则不包括（　　）\nA. 尊重原则\nB. 不伤害原则\nC. 有利原则\nD. 公正原则\nE. 互助原则", "E"),
    ("带\t制表符与 “引号” & <尖括号> 的题目\nA. 是\nB. 否", "A"),
    (None, None),
    ("长题" + "很长的题干文字。" * 400 + "\nA. 甲\nB. 乙", "B"),
]
CLINICAL = [
    ("急性心肌梗死最常见的心律失常是（　　）\nA. 室性早搏\nB. 房颤\nC. 房室传导阻滞", "A"),
]
QUESTIONS = [  # (number, question, options, answer) for the question lists
    (1, "医学伦理学的基本原则不包括（　　）", ["尊重原则", "不伤害原则", "有利原则", "公正原则", "互助原则"], "E"),
    (2, "下列哪项属于患者的权利（　　）", ["平等医疗权", "隐私权"], "B"),
    (3, "心理健康的标准不包括", ["智力正常", "情绪稳定", "人格健全"], "C"),
]


def expected_question_rows(mark):
    return ["%d\t%s\t%s" % (i + 1, escape(q + "".join("\n%s%s%s" % (chr(65 + k), mark, o)
                                                        for k, o in enumerate(opts))), a)
            for i, (n, q, opts, a) in enumerate(QUESTIONS)]


# A question table: a header row, then one question per row with an option per column.
TABLE_HEADER = ["序号", "题目", "选项A", "选项B", "选项C", "选项D", "选项E", "答案", "解析"]


def table_rows():
    return [[n, q] + opts + [""] * (5 - len(opts)) + [a, "略"] for n, q, opts, a in QUESTIONS]


def check_table(source, what):
    """make turns the question table into bank rows: stem with an option per line, answer."""
    bank = source + ".xls"
    run("make", source, "-o", bank, "--force")
    sheet = json.loads(run("info", bank, "--json"))["sheets"][0]["name"]
    got = dump(bank, sheet)
    if got != expected_question_rows("．"):
        fail("%s question table: %r, expected %r" % (what, got, expected_question_rows("．")))
    else:
        print("ok: the question table from %s gives the bank rows" % what)


def expected_rows(rows):
    return ["%d\t%s\t%s" % (i + 1, escape(b or ""), c or "") for i, (b, c) in enumerate(rows)]


# --- LibreOffice ---------------------------------------------------------------------------
pipe = "tiku_check_%d" % os.getpid()
office = subprocess.Popen(
    [SOFFICE, "-env:UserInstallation=" + url(os.path.join(WORK, "profile")), "--headless",
     "--invisible", "--nologo", "--norestore", "--nodefault",
     "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % pipe],
    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    ctx = None
    for _ in range(600):
        try:
            ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            break
        except Exception:
            if office.poll() is not None:
                break
            time.sleep(0.1)
    if ctx is None:
        print("skipped: LibreOffice did not start")
        sys.exit(SKIP)
    desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)

    # (a) Spreadsheets written by LibreOffice, and the same workbook as .xls for reference.
    calc = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, props(Hidden=True))
    sheets = calc.Sheets
    sheets.getByIndex(0).Name = "人文"
    sheets.insertNewByName("临床", 1)
    formats = calc.NumberFormats
    locale = uno.createUnoStruct("com.sun.star.lang.Locale")

    def number_format(code):
        key = formats.queryKey(code, locale, False)
        return key if key >= 0 else formats.addNew(code, locale)

    for name, rows in (("人文", HUMANITIES), ("临床", CLINICAL)):
        sheet = sheets.getByName(name)
        for r, (b, c) in enumerate(rows):
            if b is not None:
                sheet.getCellByPosition(1, r).setString(b)
            if c is not None:
                sheet.getCellByPosition(2, r).setString(c)
            if b is not None:
                sheet.getCellByPosition(0, r).setValue(r + 1)
    # Cells of every other kind, after the questions: numbers, dates, an error, a merged area,
    # and a formatted empty cell as the last used row.
    extra = sheets.getByName("临床")
    extra.getCellByPosition(1, 2).setValue(3.25)
    extra.getCellByPosition(2, 2).setValue(123456789012345678.0)
    extra.getCellByPosition(1, 3).setValue(45296)
    extra.getCellByPosition(1, 3).NumberFormat = number_format("YYYY/M/D")
    extra.getCellByPosition(2, 3).setValue(45296.5729166667)
    extra.getCellByPosition(2, 3).NumberFormat = number_format("YYYY-MM-DD HH:MM")
    extra.getCellByPosition(1, 4).setFormula("=1/0")
    extra.getCellByPosition(2, 4).setFormula("=\"公式\"&\"文字\"")
    extra.getCellByPosition(1, 5).setString("合并")
    extra.getCellRangeByName("B6:D7").merge(True)
    extra.getCellByPosition(4, 9).CellBackColor = 0xFFFF00
    for ext, filt in (("xlsx", "Calc MS Excel 2007 XML"), ("ods", "calc8"), ("xls", "MS Excel 97")):
        calc.storeToURL(url(os.path.join(WORK, "lo." + ext)), props(FilterName=filt))
    calc.close(True)

    if dump(os.path.join(WORK, "lo.xls"), "人文") != expected_rows(HUMANITIES):
        fail("LibreOffice's own .xls does not hold the data")
    # The reference: the same workbook as LibreOffice saves it as .xls. (Saving again as .xls
    # after opening the .xlsx or .ods is no reference: LibreOffice then writes a text formula's
    # result as 0.)
    reference = {s: dump(os.path.join(WORK, "lo.xls"), s) for s in ("人文", "临床")}
    # make gives the sheets named 人文 and 临床 the bank sheet names.
    ref_sheets = [dict(s, name=BANK_SHEETS.get(s["name"], s["name"])) for s in
                  json.loads(run("info", os.path.join(WORK, "lo.xls"), "--json"))["sheets"]]
    for ext in ("xlsx", "ods"):
        source = os.path.join(WORK, "lo." + ext)
        bank = os.path.join(WORK, "from-%s.xls" % ext)
        run("make", source, "-o", bank, "--force")
        same = True
        for s in ("人文", "临床"):
            got, want = dump(bank, BANK_SHEETS[s]), reference[s]
            if ext == "ods":
                # LibreOffice leaves a tab out of a cell's text when it writes .ods.
                want = [line.replace("\\t", "") for line in want]
            if got != want:
                same = False
                fail("LibreOffice .%s, sheet %s: %r, its .xls shows %r" % (ext, s, got, want))
        sheets = json.loads(run("info", bank, "--json"))["sheets"]
        if sheets != ref_sheets:
            same = False
            fail("LibreOffice .%s: sheets %s, its .xls has %s" % (ext, sheets, ref_sheets))
        if same:
            print("ok: the bank from LibreOffice's .%s shows what its .xls shows" % ext)

    # A question list written by LibreOffice Writer: questions numbered 1., 2., ... and options
    # lettered A., B., ... by automatic numbering restarted for each question.
    writer = desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, props(Hidden=True))
    text = writer.Text
    cursor = text.createTextCursor()
    paragraphs = [("一、单选题", None, False)]
    for n, q, opts, a in QUESTIONS:
        paragraphs.append((q, "Numbering 123", False))
        for k, o in enumerate(opts):
            paragraphs.append((o, "Numbering ABC", k == 0))
        paragraphs.append(("答案：" + a, None, False))
        paragraphs.append(("解析：略", None, False))
    for i, (s, style, restart) in enumerate(paragraphs):
        if i > 0:
            text.insertControlCharacter(cursor, 0, False)  # paragraph break
        text.insertString(cursor, s, False)
        cursor.NumberingStyleName = style or ""
        if restart:
            cursor.ParaIsNumberingRestart = True
    writer.storeToURL(url(os.path.join(WORK, "lo-list.docx")), props(FilterName="MS Word 2007 XML"))
    writer.close(True)
    bank = os.path.join(WORK, "from-docx.xls")
    run("make", os.path.join(WORK, "lo-list.docx"), "-o", bank, "--force")
    got = dump(bank, "lo-list")
    if got != expected_question_rows(". "):
        fail("LibreOffice .docx: %r, expected %r" % (got, expected_question_rows(". ")))

    # A question table written by LibreOffice as .xlsx, .ods and CSV.
    calc = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, props(Hidden=True))
    sheet = calc.Sheets.getByIndex(0)
    for r, row in enumerate([TABLE_HEADER] + table_rows()):
        for c, v in enumerate(row):
            if isinstance(v, int):
                sheet.getCellByPosition(c, r).setValue(v)
            elif v:
                sheet.getCellByPosition(c, r).setString(v)
    for ext, filt, options in (("xlsx", "Calc MS Excel 2007 XML", None), ("ods", "calc8", None),
                               ("csv", "Text - txt - csv (StarCalc)", "44,34,76")):
        extra = {"FilterOptions": options} if options else {}
        calc.storeToURL(url(os.path.join(WORK, "lo-table." + ext)),
                        props(FilterName=filt, **extra))
    calc.close(True)
    for ext in ("xlsx", "ods", "csv"):
        check_table(os.path.join(WORK, "lo-table." + ext), "LibreOffice ." + ext)

    # The second, independent writers: openpyxl and python-docx.
    try:
        import docx
        import openpyxl
    except ImportError:
        print("note: python3-openpyxl or python3-docx missing; their inputs are not checked")
    else:
        book = openpyxl.Workbook()
        ws = book.active
        ws.title = "人文"
        for r, (b, c) in enumerate(HUMANITIES, start=1):
            if b is not None:
                ws.cell(r, 2, b)
                ws.cell(r, 3, c)
        book.save(os.path.join(WORK, "py.xlsx"))
        bank = os.path.join(WORK, "from-openpyxl.xls")
        run("make", os.path.join(WORK, "py.xlsx"), "-o", bank, "--force")
        got = dump(bank, BANK_SHEETS["人文"])
        if got != expected_rows(HUMANITIES):
            fail("openpyxl .xlsx: %r" % got[:2])

        book = openpyxl.Workbook()
        for row in [TABLE_HEADER] + table_rows():
            book.active.append([v if v != "" else None for v in row])
        book.save(os.path.join(WORK, "py-table.xlsx"))
        check_table(os.path.join(WORK, "py-table.xlsx"), "openpyxl .xlsx")

        document = docx.Document()
        document.add_paragraph("模拟试卷")
        for n, q, opts, a in QUESTIONS:
            document.add_paragraph(q, style="List Number")  # numbered through its style
            line = document.add_paragraph("A．" + opts[0])
            for k, o in enumerate(opts[1:], start=1):
                line.add_run().add_break()
                line.add_run("%s．%s" % (chr(65 + k), o))
            document.add_paragraph("【答案】" + a)
        document.save(os.path.join(WORK, "py-list.docx"))
        bank = os.path.join(WORK, "from-python-docx.xls")
        run("make", os.path.join(WORK, "py-list.docx"), "-o", bank, "--force")
        got = dump(bank, "py-list")
        if got != expected_question_rows("．"):
            fail("python-docx .docx: %r, expected %r" % (got, expected_question_rows("．")))

        # The answers as a key after the questions, hidden (w:vanish) as authors hide them to
        # print a student copy: read as the author's.
        document = docx.Document()
        for n, q, opts, a in QUESTIONS:
            document.add_paragraph(q, style="List Number")
            document.add_paragraph("  ".join("%s ．%s" % (chr(65 + k), o) for k, o in enumerate(opts)))
        document.add_paragraph("参考答案")
        key = document.add_paragraph()
        key.add_run(" ".join("%d.%s" % (n, a) for n, q, opts, a in QUESTIONS)).font.hidden = True
        document.save(os.path.join(WORK, "py-key.docx"))
        bank = os.path.join(WORK, "from-python-docx-key.xls")
        run("make", os.path.join(WORK, "py-key.docx"), "-o", bank, "--force")
        got = dump(bank, "py-key")
        if got != expected_question_rows(" ．"):
            fail("python-docx .docx with a hidden key: %r, expected %r"
                 % (got, expected_question_rows(" ．")))

    # (b) Banks that make wrote, opened in LibreOffice with the password.
    def tsv(path, rows):
        with open(path, "w", encoding="utf-8") as f:
            for i, (b, c) in enumerate(rows, start=1):
                f.write("%d\t%s\t%s\n" % (i, escape(b), c))

    def bank_cases():
        yield "small", {"sheet1": [(b or "空", c or "A") for b, c in HUMANITIES],
                        "sheet2": [(b, c) for b, c in CLINICAL]}
        # Texts over several CONTINUE records, in lines under the 16,367 characters LibreOffice
        # keeps in one paragraph of a cell (it breaks longer ones).
        yield "continue", {"sheet1": [("续" * 12000, "A"), ("接" * 16000 + "\n" + "连" * 16000, "B")],
                           "sheet2": [("题", "C")]}
        big = lambda k, n: [("第%d题 " % i + "临床医学题目文字" * 24 + "\nA. 甲\nB. 乙", "AB"[i % 2])
                            for i in range(1, n + 1)]
        yield "large", {"sheet1": big(1, 16000), "sheet2": big(2, 16000)}

    for label, banks in bank_cases():
        inputs = []
        for name, rows in banks.items():
            path = os.path.join(WORK, "%s-%s" % (label, name))
            os.makedirs(path, exist_ok=True)
            inputs.append(os.path.join(path, name + ".tsv"))
            tsv(inputs[-1], rows)
        bank = os.path.join(WORK, label + ".xls")
        run("make", *inputs, "-o", bank, "--force")
        if label == "large" and os.path.getsize(bank) <= 7 << 20:
            fail("the large bank is only %d bytes" % os.path.getsize(bank))
        doc = desktop.loadComponentFromURL(url(bank), "_blank", 0,
                                           props(Hidden=True, Password=PASSWORD, ReadOnly=True))
        if doc is None:
            fail("LibreOffice does not open the %s bank" % label)
            continue
        for name, rows in banks.items():
            sheet = doc.Sheets.getByName(name)
            data = sheet.getCellRangeByPosition(0, 0, 2, len(rows) - 1).getDataArray()
            for r, (b, c) in enumerate(rows):
                # getDataArray gives a tab in a text as \x01; getString gives the text itself.
                if (data[r][1], data[r][2]) != (b, c) and (
                        sheet.getCellByPosition(1, r).getString(),
                        sheet.getCellByPosition(2, r).getString()) != (b, c):
                    fail("%s bank, %s row %d: LibreOffice reads %r" % (label, name, r + 1,
                                                                      data[r][1:][:80]))
                    break
        doc.close(True)
        print("ok: LibreOffice opens the %s bank (%d bytes) and reads every cell"
              % (label, os.path.getsize(bank)))
    try:
        desktop.terminate()
    except Exception:
        pass
finally:
    try:
        office.wait(timeout=20)
    except subprocess.TimeoutExpired:
        office.kill()

if failures:
    print("%d failures" % len(failures))
    sys.exit(1)
print("all LibreOffice checks passed")
