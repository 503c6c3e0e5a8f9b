// Writing a workbook file: an existing file is replaced whole or left byte for byte as it was,
// also when the disk fills up or the file may grow no further, and a failure is never success.

#include "bank/bankerror.h"
#include "bank/workbook.h"
#include "bank/writer.h"
#include "bankfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace tiku;
using namespace tiku::bank;

namespace {

WorkbookSpec bankOf(int questions) {
    WorkbookSpec spec;
    spec.sheets.push_back(
        testing::bankSheet(QStringLiteral("sheet1"), testing::numberedQuestions(questions, {})));
    return spec;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes spec over path and expects the write to fail with the file as it was and nothing left
// beside it; returns the error's description.
QString expectRefusedWrite(const QString& path, const WorkbookSpec& spec) {
    const QByteArray before = contents(path);
    const QStringList entries =
        QDir(QFileInfo(path).path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QString description;
    try {
        writeWorkbookFile(path, spec);
    } catch (const BankError& e) {
        description = e.description();
        if (e.kind() != ErrorKind::FileUnreadable) {
            description = QStringLiteral("wrong kind: ") + description;
        }
    }
    if (description.isEmpty()) {
        return QStringLiteral("the write was reported done");
    }
    if (contents(path) != before) {
        return QStringLiteral("the file changed: ") + description;
    }
    if (QDir(QFileInfo(path).path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot) !=
        entries) {
        return QStringLiteral("a file was left beside it: ") + description;
    }
    return description;
}

} // namespace

class TestWriterFile : public QObject {
    Q_OBJECT

private slots:
    void replacesExistingAtomically();
    void unwritablePathsFail();
    void fullDiskKeepsTheOldFile();
    void fileSizeLimitKeepsTheOldFile();
    void overTheReadersLimitIsNotWritten();
};

void TestWriterFile::replacesExistingAtomically() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("dxt.xls"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(200000, 'z')); // longer than the new file: no old tail may remain
    old.close();

    writeWorkbookFile(path, bankOf(6));
    const auto book = WorkbookData::load(path, WriteOptions().password);
    QCOMPARE(book->sheets()[0].usedRows, 6);
    QVERIFY(QFileInfo(path).size() < 200000);
    QCOMPARE(QFileInfo(path).size() % 512, 0);
    // No temporary file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("dxt.xls")});
}

void TestWriterFile::unwritablePathsFail() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A folder that does not exist, a path that is a folder, and a named pipe, which a rename
    // would replace by a regular file.
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path :
         {dir.filePath(QStringLiteral("missing/dxt.xls")), dir.path(), fifo}) {
        try {
            writeWorkbookFile(path, bankOf(6));
            QFAIL("writing succeeded");
        } catch (const BankError& e) {
            QCOMPARE(e.kind(), ErrorKind::FileUnreadable);
            QVERIFY(!e.description().contains(WriteOptions().password));
        }
    }
    QVERIFY(QFileInfo(dir.path()).isDir());
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
}

// A bank small enough to sit in the file buffer (the write itself succeeds) on a disk that fills
// up when the buffer is flushed.
void TestWriterFile::fullDiskKeepsTheOldFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString mnt = dir.filePath(QStringLiteral("small"));
    QVERIFY(QDir().mkpath(mnt));
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                 QStringLiteral("size=64k"), QStringLiteral("tiku-test"), mnt});
    if (!mount.waitForFinished() || mount.exitStatus() != QProcess::NormalExit ||
        mount.exitCode() != 0) {
        QSKIP("mounting a small tmpfs is not allowed here (needs root outside a restricted "
              "container)");
    }
    struct Unmount {
        QString path;
        ~Unmount() { QProcess::execute(QStringLiteral("umount"), {path}); }
    } unmount{mnt};

    const QString path = QDir(mnt).filePath(QStringLiteral("dxt.xls"));
    writeWorkbookFile(path, bankOf(5));
    QFile filler(QDir(mnt).filePath(QStringLiteral("filler")));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filler.write(QByteArray(4096, 'f')) == 4096) {
    }
    // A few kilobytes stay free: the new file is cut short, not empty.
    QVERIFY(filler.resize(filler.size() - 4096));
    filler.close();

    const QString why = expectRefusedWrite(path, bankOf(150));
    QVERIFY2(why.contains(QStringLiteral("No space left")), qPrintable(why));
    QCOMPARE(WorkbookData::load(path, WriteOptions().password)->sheets()[0].usedRows, 5);
}

// The same through the process's file size limit: every write past the limit fails.
void TestWriterFile::fileSizeLimitKeepsTheOldFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("dxt.xls"));
    writeWorkbookFile(path, bankOf(5));

    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 6000;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const QString why = expectRefusedWrite(path, bankOf(30));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY2(why.startsWith(QStringLiteral("无法写入文件")), qPrintable(why));
}

// A bank the reader would refuse as too large is refused before anything is written: 2,100
// texts of 32,767 characters that a .xls holds two bytes each are 137 MB.
void TestWriterFile::overTheReadersLimitIsNotWritten() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("dxt.xls"));
    writeWorkbookFile(path, bankOf(5));
    WorkbookSpec spec;
    spec.sheets.push_back({QStringLiteral("sheet1"), SheetKind::Worksheet, {}});
    const QString filler(maxTextLength - 8, QChar(u'题'));
    for (int row = 1; row <= 2100; ++row) {
        spec.sheets[0].cells.push_back(
            {row, questionColumn, CellValue::ofText(filler + QString::number(row))});
    }
    const QString why = expectRefusedWrite(path, spec);
    QVERIFY2(why.startsWith(QStringLiteral("无法写入文件")) &&
                 why.contains(QStringLiteral("题库文件最大为 %1 MB").arg(maxWorkbookBytesMb)),
             qPrintable(why));
}

QTEST_GUILESS_MAIN(TestWriterFile)
#include "test_writerfile.moc"
