// tiku-bank against careless or hostile use: make never writes over its input, a device or a
// file it could not write whole; an option missing its value never takes the password along;
// texts from a workbook never reach the terminal as control characters.

#include "bankfiles.h"
#include "toolrun.h"

#include "bank/writer.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tiku;
using namespace tiku::bank;
using testing::readBytes;
using testing::Run;
using testing::tool;
using testing::writeText;

namespace {

const QString kSecret = QStringLiteral("Secret-9931");

// Exit 2, nothing on stdout, one error line that does not hold the secret.
void expectRefused(const Run& r, const QString& message) {
    QCOMPARE(r.code, 2);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.errLines().size(), 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY2(!r.err.contains(kSecret), qPrintable(r.err));
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT

private slots:
    void makeKeepsItsInputs_data();
    void makeKeepsItsInputs();
    void makeRefusesNonRegularOutput();
    void makeThatCannotWriteKeepsTheOldBank();
    void optionValuesNeverTakeThePassword_data();
    void optionValuesNeverTakeThePassword();
    void controlCharactersAreEscaped();
};

void TestHostile::makeKeepsItsInputs_data() {
    QTest::addColumn<QString>("output"); // relative to the folder holding a.tsv and b.tsv
    QTest::newRow("the input itself") << "a.tsv";
    QTest::newRow("the second input") << "b.tsv";
    QTest::newRow("another spelling") << "./sub/../a.tsv";
    QTest::newRow("a symbolic link to an input") << "link.xls";
    QTest::newRow("a hard link to an input") << "hard.xls";
}

void TestHostile::makeKeepsItsInputs() {
    QFETCH(QString, output);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QString a = dir.filePath(QStringLiteral("a.tsv"));
    const QString b = dir.filePath(QStringLiteral("b.tsv"));
    writeText(a, "1\tQ\tA\n");
    writeText(b, "1\tR\tB\n");
    QVERIFY(QFile::link(b, dir.filePath(QStringLiteral("link.xls"))));
    QCOMPARE(::link(QFile::encodeName(a).constData(),
                    QFile::encodeName(dir.filePath(QStringLiteral("hard.xls"))).constData()),
             0);
    const Run r = tool({QStringLiteral("make"), a, b, QStringLiteral("-o"), dir.filePath(output)});
    expectRefused(r, QStringLiteral("make does not write over its input"));
    QCOMPARE(readBytes(a), QByteArray("1\tQ\tA\n"));
    QCOMPARE(readBytes(b), QByteArray("1\tR\tB\n"));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("link.xls"))).isSymLink());
}

void TestHostile::makeRefusesNonRegularOutput() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("sheet1.tsv"));
    writeText(input, "1\tQ\tA\n");
    const QString fifo = dir.filePath(QStringLiteral("dxt.xls"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    expectRefused(tool({QStringLiteral("make"), input, QStringLiteral("-o"), fifo,
                        QStringLiteral("--force")}),
                  QStringLiteral("这不是普通文件"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
}

// The file may grow no further than 4 KiB (ulimit -f counts 512-byte blocks in dash), less than
// the new bank and less than the write buffer: the bytes are accepted into the buffer and fail
// when it is flushed.
void TestHostile::makeThatCannotWriteKeepsTheOldBank() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString bank = testing::writeBank(dir.path(), testing::numberedQuestions(5, {}),
                                            testing::numberedQuestions(5, {}));
    const QByteArray before = readBytes(bank);
    const QString input = dir.filePath(QStringLiteral("sheet1.tsv"));
    QByteArray text;
    for (int k = 1; k <= 40; ++k) {
        text +=
            QStringLiteral("%1\t第%1题：下列哪一项是正确的\\nA. 甲\\nB. 乙\tB\n").arg(k).toUtf8();
    }
    writeText(input, text);
    const Run r = tool({QStringLiteral("-c"), QStringLiteral("ulimit -f 8; exec \"$0\" \"$@\""),
                        QStringLiteral(TIKU_BANK_TOOL), QStringLiteral("make"), input,
                        QStringLiteral("-o"), bank},
                       QStringLiteral("/bin/sh"));
    expectRefused(r, QStringLiteral("无法写入文件"));
    QCOMPARE(readBytes(bank), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestHostile::optionValuesNeverTakeThePassword_data() {
    const QString pw = QStringLiteral("--password=") + kSecret;
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("--rows without a value")
        << QStringList{"dump", "x.xls", "--sheet", "s", "--rows", pw}
        << "option --rows needs a value";
    QTest::newRow("--sheet without a value")
        << QStringList{"dump", "x.xls", "--sheet", pw} << "option --sheet needs a value";
    QTest::newRow("-o without a value")
        << QStringList{"make", "a.tsv", "-o", pw} << "option -o needs a value";
    QTest::newRow("--rename without a value")
        << QStringList{"make", "a.tsv", "-o", "b.xls", "--rename", pw}
        << "option --rename needs a value";
    QTest::newRow("--input-password without a value")
        << QStringList{"make", "a.tsv", "-o", "b.xls", "--input-password", pw}
        << "option --input-password needs a value";
    QTest::newRow("one dash") << QStringList{"info", "x.xls", "-password=" + kSecret}
                              << "unknown option -password";
    QTest::newRow("unknown option with a value")
        << QStringList{"info", "x.xls", "--pasword=" + kSecret} << "unknown option --pasword";
    QTest::newRow("blank forgotten after the option")
        << QStringList{"info", "x.xls", "--password" + kSecret} << "unknown option --password…";
    QTest::newRow("unknown option without a value")
        << QStringList{"make", "a.tsv", "-o", "b.xls", "--x" + kSecret}
        << "an unknown option (not shown";
}

void TestHostile::optionValuesNeverTakeThePassword() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir::setCurrent(dir.path()));
    expectRefused(tool(args), message);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestHostile::controlCharactersAreEscaped() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("dxt.xls"));
    WorkbookSpec spec;
    SheetSpec sheet;
    sheet.name = QStringLiteral("a\nb\x1B"
                                "c");
    sheet.cells = {{1, 2, CellValue::ofText(QStringView(u"x\u0000y\u001Bz\u007F", 6).toString())},
                   {1, 3, CellValue::ofText(QString(QChar(0xD800)) + u'A')}};
    spec.sheets.push_back(sheet);
    writeWorkbookFile(path, spec);

    const Run info = tool({QStringLiteral("info"), path});
    QCOMPARE(info.code, 0);
    QVERIFY2(info.out.contains(QStringLiteral("1. a\\nb\\x1bc (worksheet)")), qPrintable(info.out));
    const Run dump = tool({QStringLiteral("dump"), path, QStringLiteral("--sheet"), sheet.name});
    QCOMPARE(dump.code, 0);
    QCOMPARE(dump.rawOut, QByteArray("1\tx\\x00y\\x1bz\\x7f\t\xEF\xBF\xBD"
                                     "A\n"));
    for (const QByteArray& out : {info.rawOut, dump.rawOut}) {
        for (char c : out) {
            QVERIFY(uchar(c) >= 0x20 ? c != 0x7F : c == '\n' || c == '\t');
        }
    }
}

QTEST_GUILESS_MAIN(TestHostile)
#include "test_hostile.moc"
