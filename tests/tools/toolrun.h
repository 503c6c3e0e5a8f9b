#pragma once

// Runs the built tiku-bank (TIKU_BANK_TOOL) for the tool's tests.

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QtTest>

namespace tiku::testing {

struct Run {
    int code = -1;
    QString out;
    QString err;
    QByteArray rawOut;
    QStringList errLines() const { return err.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    QStringList outLines() const { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

// Runs program with args; the tool itself unless program is given (a shell that starts it).
inline Run tool(const QStringList& args, const QString& program = QStringLiteral(TIKU_BANK_TOOL)) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
    }
    Run r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.rawOut = p.readAllStandardOutput();
    r.out = QString::fromUtf8(r.rawOut);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

inline void writeText(const QString& path, const QByteArray& utf8) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(utf8);
}

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace tiku::testing
