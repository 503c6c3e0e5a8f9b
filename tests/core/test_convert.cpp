#include "failurecode.h"

#include "core/convert.h"
#include "core/failure.h"

#include <QTest>

#include <optional>

using namespace tiku;

using testing::failureCode;

class ConvertTest : public QObject {
    Q_OBJECT
private slots:
    void strictNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("code"); // 0: converts to value
        QTest::newRow("whole") << "20" << 20.0 << 0;
        QTest::newRow("leading zeros") << "007" << 7.0 << 0;
        QTest::newRow("fraction") << "7.5" << 7.5 << 0;
        QTest::newRow("blanks around") << "  12 " << 12.0 << 0;
        QTest::newRow("negative") << "-3" << -3.0 << 0;
        QTest::newRow("plus sign") << "+5" << 5.0 << 0;
        QTest::newRow("point first") << ".5" << 0.5 << 0;
        QTest::newRow("point last") << "5." << 5.0 << 0;
        QTest::newRow("exponent") << "1e2" << 100.0 << 0;
        QTest::newRow("empty") << "" << 0.0 << 13;
        QTest::newRow("blanks only") << "   " << 0.0 << 13;
        QTest::newRow("letters") << "abc" << 0.0 << 13;
        QTest::newRow("trailing letters") << "12abc" << 0.0 << 13;
        QTest::newRow("inner blank") << "1 2" << 0.0 << 13;
        QTest::newRow("sign alone") << "-" << 0.0 << 13;
        QTest::newRow("point alone") << "." << 0.0 << 13;
        QTest::newRow("two points") << "1.2.3" << 0.0 << 13;
        QTest::newRow("full-width digits") << "１２" << 0.0 << 13;
        QTest::newRow("too large for a double") << "1e400" << 0.0 << 6;
    }
    void strictNumber() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(int, code);
        if (code == 0) {
            QCOMPARE(tiku::strictNumber(text), value);
        } else {
            QCOMPARE(failureCode([&] { tiku::strictNumber(text); }), std::optional<int>(code));
        }
    }

    void strictInt16_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("code");
        QTest::newRow("plain") << "350" << 350 << 0;
        QTest::newRow("half to even, down") << "7.5" << 8 << 0;
        QTest::newRow("half to even, down 2") << "6.5" << 6 << 0;
        QTest::newRow("half to even, negative") << "-2.5" << -2 << 0;
        QTest::newRow("below half") << "4.49" << 4 << 0;
        QTest::newRow("above half") << "4.51" << 5 << 0;
        QTest::newRow("largest") << "32767" << 32767 << 0;
        QTest::newRow("smallest") << "-32768" << -32768 << 0;
        QTest::newRow("rounds up to largest") << "32767.4" << 32767 << 0;
        QTest::newRow("one over") << "32768" << 0 << 6;
        QTest::newRow("rounds over") << "32767.5" << 0 << 6;
        QTest::newRow("one under") << "-32769" << 0 << 6;
        QTest::newRow("forty thousand") << "40000" << 0 << 6;
        QTest::newRow("empty") << "" << 0 << 13;
        QTest::newRow("letters") << "x" << 0 << 13;
    }
    void strictInt16() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(int, code);
        if (code == 0) {
            QCOMPARE(int(tiku::strictInt16(text)), value);
        } else {
            QCOMPARE(failureCode([&] { tiku::strictInt16(text); }), std::optional<int>(code));
        }
    }

    void lenientNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "10" << 10.0;
        QTest::newRow("leading zero") << "010" << 10.0;
        QTest::newRow("fraction") << "7.5" << 7.5;
        QTest::newRow("leading blanks") << "  9" << 9.0;
        QTest::newRow("trailing text") << "12abc" << 12.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("negative") << "-4x" << -4.0;
        QTest::newRow("exponent") << "2e1" << 20.0;
        QTest::newRow("dangling exponent") << "3e" << 3.0;
    }
    void lenientNumber() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(tiku::lenientNumber(text), value);
    }

    void signedText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        // The figures of a hand-in report.
        QTest::newRow("70") << 7.0 / 10 * 100 << " 70";
        QTest::newRow("20") << 2.0 / 10 * 100 << " 20";
        QTest::newRow("1 of 6") << 1.0 / 6 * 100 << " 16.6666666666667";
        QTest::newRow("2 of 7") << 2.0 / 7 * 100 << " 28.5714285714286";
        QTest::newRow("5 of 9") << 5.0 / 9 * 100 << " 55.5555555555556";
        QTest::newRow("0") << 0.0 << " 0";
        QTest::newRow("100") << 100.0 / 100 * 100 << " 100";
        QTest::newRow("count") << 10.0 << " 10";
        QTest::newRow("negative") << -2.5 << "-2.5";
        QTest::newRow("large") << 1e20 << " 1E+20";
        QTest::newRow("small") << 1.5e-7 << " 1.5E-07";
    }
    void signedText() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(tiku::signedText(value), text);
    }

    void numberText() {
        QCOMPARE(tiku::numberText(1), QStringLiteral("1"));
        QCOMPARE(tiku::numberText(32767), QStringLiteral("32767"));
        QCOMPARE(tiku::numberText(0.1 + 0.2), QStringLiteral("0.3"));
        QCOMPARE(tiku::numberText(-0.0), QStringLiteral("0"));
    }

    void optionLetter() {
        QCOMPARE(tiku::optionLetter(0), QStringLiteral("A"));
        QCOMPARE(tiku::optionLetter(2), QStringLiteral("C"));
        QCOMPARE(tiku::optionLetter(4), QStringLiteral("E"));
    }

    void joinPath_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("path");
        QTest::newRow("windows folder") << "C:\\题库"
                                        << "\\"
                                        << "C:\\题库\\dxt.xls";
        QTest::newRow("windows drive root") << "C:\\"
                                            << "\\"
                                            << "C:\\dxt.xls";
        QTest::newRow("unix folder") << "/opt/tiku"
                                     << "/"
                                     << "/opt/tiku/dxt.xls";
        QTest::newRow("unix root") << "/"
                                   << "/"
                                   << "/dxt.xls";
        QTest::newRow("folder with slash given") << "D:/apps/"
                                                 << "\\"
                                                 << "D:/apps/dxt.xls";
    }
    void joinPath() {
        QFETCH(QString, folder);
        QFETCH(QString, separator);
        QFETCH(QString, path);
        QCOMPARE(tiku::joinPath(folder, QStringLiteral("dxt.xls"), separator.at(0)), path);
    }
};

QTEST_GUILESS_MAIN(ConvertTest)
#include "test_convert.moc"
