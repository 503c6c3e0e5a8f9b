// tiku-bank: inspect, check and make the question bank workbook.
//
//   tiku-bank info FILE [--json]
//   tiku-bank dump FILE --sheet NAME [--rows A-B]
//   tiku-bank check FILE
//   tiku-bank make INPUT... -o FILE
//   tiku-bank --help | --version
//
// Every command takes --password P; the default is the program's bank password. Exit status:
// 0 success, 1 findings of `check`, 2 bad usage or a file that cannot be read or written.

#include "arguments.h"
#include "readable.h"

#include "bank/bankerror.h"
#include "bank/bankformat.h"
#include "bank/workbook.h"
#include "bank/writer.h"
#include "import/bankcheck.h"
#include "import/importerror.h"
#include "import/inputs.h"
#include "import/quote.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <optional>

#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

using namespace tiku;
using namespace tiku::bank;
using tiku::tool::Arguments;
using tiku::tool::UsageError;

namespace {

// make prints this many of the bank check's findings before their count.
constexpr qsizetype kShownFindings = 20;

#ifdef _WIN32
// A console window shows what the tool writes as UTF-8 (it would read it in the system's own code
// page, GBK on a Chinese Windows); the console gets its code page back when the tool ends.
class Utf8Console {
public:
    Utf8Console() : previous_(GetConsoleOutputCP()) {
        if (previous_ != 0) {
            SetConsoleOutputCP(CP_UTF8);
        }
    }
    ~Utf8Console() {
        if (previous_ != 0) {
            SetConsoleOutputCP(previous_);
        }
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    UINT previous_;
};
#endif

// A line in UTF-8, whatever the console's code page. A lone UTF-16 surrogate (possible in a
// workbook's texts) has no UTF-8 form and is written as U+FFFD.
void writeLine(std::FILE* stream, const QString& line) {
    QString text = line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (text[i].isSurrogate()) {
            text[i] = QChar::ReplacementCharacter;
        }
    }
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
}

void out(const QString& line) {
    writeLine(stdout, line);
}

// Findings on stderr, as they are, one a line.
void errLines(const QStringList& lines) {
    for (const QString& line : lines) {
        writeLine(stderr, line);
    }
}

// "finding" or "findings" as count has it.
QString findings(qsizetype count) {
    return count == 1 ? QStringLiteral("finding") : QStringLiteral("findings");
}

// One line on stderr: newlines in the message become blanks.
void err(const QString& message) {
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    const QByteArray bytes = QStringLiteral("tiku-bank: %1\n").arg(line).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

QString encryptionName(Encryption e) {
    switch (e) {
    case Encryption::None:
        return QStringLiteral("none");
    case Encryption::Xor:
        return QStringLiteral("xor");
    case Encryption::Rc4:
        return QStringLiteral("rc4");
    case Encryption::Rc4CryptoApi:
        return QStringLiteral("rc4-cryptoapi");
    }
    return QStringLiteral("none");
}

QString kindName(SheetKind k) {
    switch (k) {
    case SheetKind::Worksheet:
        return QStringLiteral("worksheet");
    case SheetKind::Chart:
        return QStringLiteral("chart");
    case SheetKind::Macro:
        return QStringLiteral("macro");
    }
    return QStringLiteral("worksheet");
}

QString jsonString(const QString& s) {
    QString o = QStringLiteral("\"");
    for (QChar c : s) {
        switch (c.unicode()) {
        case u'"':
            o += QStringLiteral("\\\"");
            break;
        case u'\\':
            o += QStringLiteral("\\\\");
            break;
        case u'\n':
            o += QStringLiteral("\\n");
            break;
        case u'\r':
            o += QStringLiteral("\\r");
            break;
        case u'\t':
            o += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20) {
                o += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                o += c;
            }
        }
    }
    return o + QLatin1Char('"');
}

int info(const Arguments& a) {
    a.allowOnly({}, true);
    const auto book = WorkbookData::load(a.singleFile(), a.password());
    const auto& sheets = book->sheets();
    if (a.json) {
        QStringList items;
        for (const SheetInfo& s : sheets) {
            items.append(QStringLiteral("{\"name\": %1, \"kind\": \"%2\", \"first_row\": %3, "
                                        "\"last_row\": %4, \"used_rows\": %5}")
                             .arg(jsonString(s.name), kindName(s.kind))
                             .arg(s.firstRow)
                             .arg(s.lastRow)
                             .arg(s.usedRows));
        }
        out(QStringLiteral("{\"format\": %1, \"encryption\": \"%2\", \"key_bits\": %3, "
                           "\"sheets\": [%4]}")
                .arg(jsonString(book->format()), encryptionName(book->encryption()))
                .arg(book->keyBits())
                .arg(items.join(QStringLiteral(", "))));
        return 0;
    }
    out(QStringLiteral("format: %1").arg(book->format()));
    QString enc = encryptionName(book->encryption());
    if (book->keyBits() > 0) {
        enc += QStringLiteral(", %1-bit key").arg(book->keyBits());
    }
    out(QStringLiteral("encryption: %1").arg(enc));
    out(QStringLiteral("sheets: %1").arg(sheets.size()));
    for (size_t i = 0; i < sheets.size(); ++i) {
        const SheetInfo& s = sheets[i];
        const QString rows = s.lastRow > 0
                                 ? QStringLiteral("rows %1-%2").arg(s.firstRow).arg(s.lastRow)
                                 : QStringLiteral("no cells");
        out(QStringLiteral("  %1. %2 (%3): %4, used rows %5")
                .arg(i + 1)
                .arg(import::escapeText(s.name), kindName(s.kind), rows)
                .arg(s.usedRows));
    }
    return 0;
}

// The text the program shows for a cell, an error value as its literal.
QString shownText(const WorkbookData& book, int sheet, int row, int column) {
    const CellContent c = book.cell(sheet, row, column);
    return c.kind == CellContent::Kind::Error ? errorLiteral(c.error) : c.text;
}

int dump(const Arguments& a) {
    a.allowOnly({QStringLiteral("--sheet"), QStringLiteral("--rows")}, false);
    const QString file = a.singleFile();
    if (!a.values.contains(QStringLiteral("--sheet"))) {
        throw UsageError{QStringLiteral("dump needs --sheet NAME")};
    }
    const QString sheetName = a.values.value(QStringLiteral("--sheet"));
    std::optional<std::pair<int, int>> rows;
    if (a.values.contains(QStringLiteral("--rows"))) {
        const QString spec = a.values.value(QStringLiteral("--rows"));
        const QStringList parts = spec.split(QLatin1Char('-'));
        bool ok1 = false;
        bool ok2 = false;
        int from = parts.value(0).toInt(&ok1);
        int to = parts.size() == 1 ? from : parts.value(1).toInt(&ok2);
        if (parts.size() == 1) {
            ok2 = ok1;
        }
        if (parts.size() > 2 || !ok1 || !ok2 || from < 1 || to < from || to > maxSheetRows) {
            throw UsageError{QStringLiteral("--rows takes A-B with 1 <= A <= B <= %1, not \"%2\"")
                                 .arg(maxSheetRows)
                                 .arg(spec)};
        }
        rows = {from, to};
    }
    const auto book = WorkbookData::load(file, a.password());
    const int sheet = import::findWorksheet(book->sheets(), sheetName);
    if (sheet < 0) {
        throw BankError(ErrorKind::NoSuchWorksheet,
                        QStringLiteral("%1: no worksheet named \"%2\"").arg(file, sheetName));
    }
    const auto [from, to] = rows.value_or(std::pair{1, book->sheets()[size_t(sheet)].lastRow});
    for (int r = from; r <= to; ++r) {
        out(QStringLiteral("%1\t%2\t%3")
                .arg(r)
                .arg(import::escapeText(shownText(*book, sheet, r, 2)),
                     import::escapeText(shownText(*book, sheet, r, 3))));
    }
    return 0;
}

int check(const Arguments& a) {
    a.allowOnly({}, false);
    const QString file = a.singleFile();
    const auto book = WorkbookData::load(file, a.password());
    const import::BankCheck result = import::checkBanks(*book, file);
    for (const QString& line : result.lines) {
        out(line);
    }
    return result.findings.isEmpty() ? 0 : 1;
}

// The output may not be one of the inputs, by any name (a link, another spelling of the path):
// writing it would destroy the source before it is read or after.
void refuseInputAsOutput(const QStringList& inputs, const QString& output) {
    const auto refuse = [&output](const QString& input) {
        throw import::ImportError(
            QStringLiteral("%1 is the input %2: make does not write over its input")
                .arg(output, input));
    };
#ifdef _WIN32
    // Windows' stat() gives no file numbers: the canonical paths (in any case) are compared.
    if (!QFileInfo::exists(output)) {
        return;
    }
    for (const QString& input : inputs) {
        if (QFileInfo(input) == QFileInfo(output)) {
            refuse(input);
        }
    }
#else
    struct stat out {};
    if (::stat(QFile::encodeName(output).constData(), &out) != 0) {
        return; // no file there yet, so none of the inputs
    }
    for (const QString& input : inputs) {
        struct stat in {};
        if (::stat(QFile::encodeName(input).constData(), &in) == 0 && in.st_dev == out.st_dev &&
            in.st_ino == out.st_ino) {
            refuse(input);
        }
    }
#endif
}

int make(const Arguments& a, const tool::MakeOptions& extra) {
    a.allowOnly({QStringLiteral("-o")}, false);
    if (a.positional.isEmpty()) {
        throw UsageError{QStringLiteral("make needs at least one input file")};
    }
    if (!a.values.contains(QStringLiteral("-o"))) {
        throw UsageError{QStringLiteral("make needs -o FILE")};
    }
    const QString output = a.values.value(QStringLiteral("-o"));
    refuseInputAsOutput(a.positional, output);
    import::InputOptions options = extra.input;
    options.bankPassword = a.password();
    const import::Inputs made = import::readInputs(a.positional, options);
    if (extra.verbose) {
        for (const QString& line : made.leftOut) {
            out(line);
        }
    }
    if (!made.findings.isEmpty()) {
        errLines(made.findings);
        return 1; // nothing written
    }
    if (!made.bankFindings.isEmpty() && !extra.force) {
        const qsizetype count = made.bankFindings.size();
        errLines(made.bankFindings.mid(0, kShownFindings));
        err(QStringLiteral("%1 %2 that tiku-bank check would report: nothing written "
                           "(give --force to write it anyway)")
                .arg(count)
                .arg(findings(count)));
        return 1;
    }
    WriteOptions write;
    write.password = a.password();
    write.encryption = Encryption::Rc4CryptoApi;
    write.keyBits = 128;
    writeWorkbookFile(output, made.spec, write);
    for (const QString& line : made.notes) {
        out(line);
    }
    if (!made.bankFindings.isEmpty()) {
        out(QStringLiteral("written with --force despite %1 %2 of tiku-bank check")
                .arg(made.bankFindings.size())
                .arg(findings(made.bankFindings.size())));
    }
    out(QStringLiteral("wrote %1: %2").arg(output, made.summary.join(QStringLiteral(", "))));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
#ifdef _WIN32
    const Utf8Console console;
#endif
#ifdef SIGXFSZ
    // Past a file size limit a write fails and is reported, instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QStringList args = QCoreApplication::arguments().mid(1);
    try {
        if (args.isEmpty()) {
            // The usage, as for --help, but as a failed call.
            std::fputs(tool::usageText().toUtf8().constData(), stderr);
            return 2;
        }
        const QString command = args.takeFirst();
        if (command == QStringLiteral("--help") || command == QStringLiteral("-h") ||
            command == QStringLiteral("help")) {
            std::fputs(tool::usageText().toUtf8().constData(), stdout);
            return 0;
        }
        if (command == QStringLiteral("--version")) {
            out(tool::versionLine());
            return 0;
        }
        const tool::MakeOptions makeOptions =
            command == QStringLiteral("make") ? tool::takeMakeOptions(args) : tool::MakeOptions{};
        const Arguments parsed = Arguments::parse(args);
        if (command == QStringLiteral("info")) {
            return info(parsed);
        }
        if (command == QStringLiteral("dump")) {
            return dump(parsed);
        }
        if (command == QStringLiteral("check")) {
            return check(parsed);
        }
        if (command == QStringLiteral("make")) {
            return make(parsed, makeOptions);
        }
        throw UsageError{QStringLiteral("unknown command \"%1\"").arg(command)};
    } catch (const Failure& e) {
        // Every failure of the family: bad usage, an input or a workbook that cannot be read, a
        // file that cannot be written.
        err(e.kind() == ErrorKind::Usage
                ? e.description() + QStringLiteral(" (tiku-bank --help shows the usage)")
                : e.description());
        return 2;
    } catch (const std::exception& e) {
        // The runtime's own (out of memory), which is no failure of the program's.
        err(QString::fromUtf8(e.what()));
        return 2;
    }
}
