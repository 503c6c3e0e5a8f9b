// Where the bank is found: the file named on the command line, the user's own bank, the bank
// beside the program; and what a failure to open it says. HOME and XDG_DATA_HOME point into a
// folder of the test's own, so no real user's folder is ever read.

#include "bankfiles.h"

#include "core/failure.h"
#include "session/banklocation.h"
#include "session/banksession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tiku;

class BankLocationTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    QTemporaryDir program_;
    QString dataHome_;

    QString userFolder() const { return dataHome_ + QStringLiteral("/tiku"); }

    static void writeBankIn(const QString& folder, int humanities) {
        QVERIFY(QDir().mkpath(folder));
        testing::writeBank(folder, testing::numberedQuestions(humanities, "人文"),
                           testing::numberedQuestions(5, "临床"));
    }

    // The failure an opening gives, with the places of a run of the program.
    static Failure failureOpening(const QString& namedFile, const QString& programFolder) {
        BankSession session;
        try {
            session.open(BankPlaces::of(namedFile, programFolder), Bank::Humanities);
        } catch (const Failure& failure) {
            return failure;
        }
        return Failure(ErrorKind::InternalError, QStringLiteral("opened")); // no failure
    }

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid() && program_.isValid());
        dataHome_ = home_.filePath(QStringLiteral("data"));
        qputenv("HOME", QFile::encodeName(home_.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_));
        // The program's displayed name is not the folder's name.
        QCoreApplication::setApplicationName(QStringLiteral("题库"));
        QCoreApplication::setOrganizationName(QStringLiteral("题库"));
    }
    void cleanup() {
        QDir(userFolder()).removeRecursively();
        QFile::remove(bankPath(program_.path()));
    }

    // QStandardPaths follows the environment: $XDG_DATA_HOME, else ~/.local/share; the folder
    // is tiku whatever the program's names.
    void userFolderFollowsEnvironment() {
        QCOMPARE(userBankFolder(), userFolder());
        qunsetenv("XDG_DATA_HOME");
        const QString byDefault = userBankFolder();
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_));
        QCOMPARE(byDefault, home_.filePath(QStringLiteral(".local/share/tiku")));
    }

    void order() {
        const QString beside = bankPath(program_.path());
        const QString own = bankPath(userFolder());
        const QString named = home_.filePath(QStringLiteral("other.xls"));
        const BankPlaces places = BankPlaces::of({}, program_.path());

        // No user bank: beside the program, after looking in the user's folder.
        BankChoice choice = chooseBank(places);
        QCOMPARE(choice.path, beside);
        QCOMPARE(choice.tried, (QStringList{own, beside}));
        QVERIFY(QDir().mkpath(userFolder())); // the folder alone is no bank
        QCOMPARE(chooseBank(places).path, beside);

        // The user's own bank before the program's.
        writeBankIn(userFolder(), 3);
        choice = chooseBank(places);
        QCOMPARE(choice.path, own);
        QCOMPARE(choice.tried, QStringList{own});

        // A named file, there or not, before everything else and alone.
        choice = chooseBank(BankPlaces::of(named, program_.path()));
        QCOMPARE(choice.path, named);
        QCOMPARE(choice.tried, QStringList{named});

        // No user folder at all (no home): the program's bank alone.
        QCOMPARE(chooseBank(BankPlaces{{}, {}, program_.path()}).tried, QStringList{beside});
    }

    // The bank a session reads is the chosen one.
    void sessionReadsChosenBank() {
        writeBankIn(program_.path(), 7);
        writeBankIn(userFolder(), 3);
        BankSession session;
        QCOMPARE(session.open(BankPlaces::of({}, program_.path()), Bank::Humanities), 3);
        session.close();
        QCOMPARE(session.open(BankPlaces::of(bankPath(program_.path()), {}), Bank::Humanities), 7);
        session.close();
    }

    // No bank anywhere: the toolkit's report keeps its form and code and lists the places tried.
    void noBankNamesPlacesTried() {
        const Failure failure = failureOpening({}, program_.path());
        QCOMPARE(failure.code(), failure_code::FileNotFound);
        QCOMPARE(failure.description(),
                 QStringLiteral("无法打开题库文件“%1”：文件不存在。\n查找过的位置：\n%2\n%1")
                     .arg(bankPath(program_.path()), bankPath(userFolder())));
    }

    // A named file that is not there is reported as such; the bank beside the program does not
    // stand in for it.
    void missingNamedFileIsReported() {
        writeBankIn(program_.path(), 7);
        const QString named = home_.filePath(QStringLiteral("无此文件.xls"));
        const Failure failure = failureOpening(named, program_.path());
        QCOMPARE(failure.code(), failure_code::FileNotFound);
        QCOMPARE(failure.description(),
                 QStringLiteral("无法打开题库文件“%1”：文件不存在。").arg(named));
    }

    // A user's bank that is there but no workbook is reported, not passed over.
    void brokenUserBankIsReported() {
        writeBankIn(program_.path(), 7);
        QVERIFY(QDir().mkpath(userFolder()));
        QFile own(bankPath(userFolder()));
        QVERIFY(own.open(QIODevice::WriteOnly));
        own.write("not a workbook");
        own.close();
        const Failure failure = failureOpening({}, program_.path());
        QCOMPARE(failure.code(), failure_code::ApplicationDefined);
        QVERIFY2(failure.description().contains(own.fileName()), qPrintable(failure.description()));
    }

    void namedFileFromCommandLine() {
        QCOMPARE(namedBankFile({QStringLiteral("tiku")}), QString());
        QCOMPARE(namedBankFile({QStringLiteral("tiku"), QString()}), QString());
        QCOMPARE(namedBankFile({QStringLiteral("tiku"), QStringLiteral("/srv/题库.xls"),
                                QStringLiteral("more")}),
                 QStringLiteral("/srv/题库.xls"));
        // Relative to the folder the program was started in.
        QCOMPARE(namedBankFile({QStringLiteral("tiku"), QStringLiteral("banks/dxt.xls")}),
                 QDir::current().filePath(QStringLiteral("banks/dxt.xls")));
    }

    void bankPathInFolder_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");
        QTest::newRow("folder") << "/opt/tiku"
                                << "/opt/tiku/dxt.xls";
        QTest::newRow("root") << "/"
                              << "/dxt.xls";
    }
    void bankPathInFolder() {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QCOMPARE(bankPath(folder), path);
    }
};

QTEST_GUILESS_MAIN(BankLocationTest)
#include "test_banklocation.moc"
