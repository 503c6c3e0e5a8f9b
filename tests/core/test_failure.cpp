// The one table of failure codes, and the bank rules every layer takes from the core.

#include "core/bankrules.h"
#include "core/failure.h"

#include <QTest>

using namespace tiku;

class FailureTest : public QObject {
    Q_OBJECT
private slots:
    // The codes the user is shown, kind by kind, as the engine and the runtime gave them before
    // the codes came from the kinds.
    void codeOfEveryKind_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("code");
        const std::pair<ErrorKind, int> table[] = {
            {ErrorKind::InvalidCall, 5},
            {ErrorKind::Overflow, 6},
            {ErrorKind::OutOfMemory, 7},
            {ErrorKind::SubscriptOutOfRange, 9},
            {ErrorKind::TypeMismatch, 13},
            {ErrorKind::InternalError, 51},
            {ErrorKind::Refused, 1004},
            {ErrorKind::FileMissing, 53},
            {ErrorKind::FileUnreadable, 75},
            {ErrorKind::NotAWorkbook, 1004},
            {ErrorKind::UnsupportedFormat, 1004},
            {ErrorKind::PasswordRefused, 1004},
            {ErrorKind::NoSuchWorksheet, 9},
            {ErrorKind::NotAWorksheet, 1004},
            {ErrorKind::Damaged, 1004},
            {ErrorKind::CellError, 13},
            {ErrorKind::NotANumber, 13},
            {ErrorKind::BadArgument, 1004},
            {ErrorKind::Closed, 462},
            {ErrorKind::BadInput, 1004},
            {ErrorKind::Usage, 1004},
        };
        // Every kind is listed: the last one's value is the count less one.
        QCOMPARE(int(std::size(table)), int(ErrorKind::Usage) + 1);
        for (const auto& [kind, code] : table) {
            QTest::newRow(qPrintable(QString::number(int(kind)))) << int(kind) << code;
        }
    }
    void codeOfEveryKind() {
        QFETCH(int, kind);
        QFETCH(int, code);
        const Failure failure(ErrorKind(kind), QStringLiteral("说明"));
        QCOMPARE(failure.code(), code);
        QCOMPARE(failure.kind(), ErrorKind(kind));
        QCOMPARE(QString::fromUtf8(failure.what()), QStringLiteral("说明"));
    }

    // The answers a bank may hold are the letters A to E, and nothing else is.
    void answerLetters() {
        for (const char* letter : {"A", "B", "C", "D", "E"}) {
            QVERIFY2(bank::isAnswerLetter(QString::fromLatin1(letter)), letter);
        }
        for (const QString& text :
             {QStringLiteral("a"), QStringLiteral("F"), QStringLiteral("@"), QStringLiteral(" A"),
              QStringLiteral("AB"), QString(), QStringLiteral("Ａ")}) {
            QVERIFY2(!bank::isAnswerLetter(text), qPrintable(text));
        }
        QCOMPARE(bank::bankCaption(true), QStringLiteral("人文"));
        QCOMPARE(bank::bankCaption(false), QStringLiteral("临床"));
    }
};

QTEST_GUILESS_MAIN(FailureTest)
#include "test_failure.moc"
