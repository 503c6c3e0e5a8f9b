#include "makeinputs.h"

#include "textinput.h"

#include "bank/bankerror.h"
#include "bank/bankformat.h"
#include "bank/cfb.h"
#include "import/importerror.h"
#include "import/ods.h"
#include "import/questionlist.h"
#include "import/sheetbuilder.h"
#include "import/textlines.h"
#include "import/xlsx.h"
#include "import/ziparchive.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace tiku::tool {

namespace {

using import::ImportError;

// Larger inputs than this are refused before they are read whole.
constexpr qint64 kMaxInputBytes = qint64(1) << 30;

QByteArray readFile(const QString& path) {
    // A device or a pipe could be read without end.
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        throw InputError(QStringLiteral("%1: not a regular file, which is refused").arg(path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw InputError(QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
    }
    if (file.size() > kMaxInputBytes) {
        throw InputError(QStringLiteral("%1: larger than 1 GiB, which is refused").arg(path));
    }
    return file.readAll();
}

bool hasExtension(const QString& path, const char* ext) {
    return QFileInfo(path).suffix().compare(QLatin1String(ext), Qt::CaseInsensitive) == 0;
}

// A workbook read by the bank reader: every worksheet, every cell with its kind and value.
std::vector<bank::SheetSpec> fromXls(const QByteArray& bytes, const QString& path,
                                     const MakeOptions& options, const QString& bankPassword) {
    const QString password = options.inputPassword.isEmpty() ? bankPassword : options.inputPassword;
    std::shared_ptr<const bank::WorkbookData> book;
    try {
        book = bank::WorkbookData::fromBytes(bytes, password, path);
    } catch (const bank::BankError& e) {
        if (e.kind() == bank::ErrorKind::PasswordRefused) {
            throw InputError(QStringLiteral("%1: the password does not open this workbook; give "
                                            "its password with --input-password P")
                                 .arg(path));
        }
        throw;
    }
    std::vector<bank::SheetSpec> out;
    for (int s = 0; s < book->sheetCount(); ++s) {
        if (book->sheetKind(s) != bank::SheetKind::Worksheet) {
            continue;
        }
        const bank::SheetInfo& info = book->sheet(s);
        import::SheetBuilder sheet(path, info.name);
        for (int r = info.firstRow; r >= 1 && r <= info.lastRow; ++r) {
            bool any = false;
            for (int c = 1; c <= import::kMaxColumns; ++c) {
                const bank::CellContent cell = book->cell(s, r, c);
                bank::CellValue value;
                switch (cell.kind) {
                case bank::CellContent::Kind::Empty:
                    continue;
                case bank::CellContent::Kind::Text:
                    if (!cell.text.isEmpty()) {
                        value = bank::CellValue::ofText(cell.text);
                    }
                    break;
                case bank::CellContent::Kind::Number: {
                    // A date shows as its text; any other number as its value.
                    bool ok = false;
                    const double number = cell.text.toDouble(&ok);
                    value =
                        ok ? bank::CellValue::ofNumber(number) : bank::CellValue::ofText(cell.text);
                    break;
                }
                case bank::CellContent::Kind::Boolean:
                    value = bank::CellValue::ofBoolean(cell.text == QStringLiteral("True"));
                    break;
                case bank::CellContent::Kind::Error:
                    value = bank::CellValue::ofError(cell.error);
                    break;
                }
                sheet.add(r, c, std::move(value));
                any = true;
            }
            // A first or last row of formatted empty cells keeps the used rows as they were.
            if (!any && (r == info.firstRow || r == info.lastRow)) {
                sheet.add(r, 1, bank::CellValue::blank());
            }
        }
        out.push_back(sheet.take());
    }
    if (out.empty()) {
        throw InputError(QStringLiteral("%1: the workbook holds no worksheet").arg(path));
    }
    return out;
}

bank::SheetSpec fromTable(const Table& table, const QString& path, const QString& name) {
    if (table.size() > size_t(import::kMaxRows)) {
        throw InputError(
            QStringLiteral("%1: %2 rows, more than a worksheet holds").arg(path).arg(table.size()));
    }
    bank::SheetSpec sheet;
    sheet.name = name;
    for (size_t r = 0; r < table.size(); ++r) {
        if (table[r].size() > import::kMaxColumns) {
            throw InputError(QStringLiteral("%1:%2: more than %3 fields")
                                 .arg(path)
                                 .arg(r + 1)
                                 .arg(import::kMaxColumns));
        }
        for (qsizetype c = 0; c < table[r].size(); ++c) {
            if (table[r][c].size() > import::kMaxTextLength) {
                throw InputError(QStringLiteral("%1:%2: field %3 is longer than %4 characters")
                                     .arg(path)
                                     .arg(r + 1)
                                     .arg(c + 1)
                                     .arg(import::kMaxTextLength));
            }
            if (!table[r][c].isEmpty()) {
                sheet.cells.push_back(
                    {int(r) + 1, int(c) + 1, bank::CellValue::ofText(table[r][c])});
            }
        }
    }
    return sheet;
}

int lastRow(const bank::SheetSpec& sheet) {
    int last = 0;
    for (const bank::CellSpec& c : sheet.cells) {
        last = std::max(last, c.row);
    }
    return last;
}

} // namespace

QString takeMakeOptions(QStringList& args, MakeOptions& options) {
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QStringLiteral("--")) {
            rest.append(args.mid(i));
            break;
        }
        if (arg == QStringLiteral("--verbose")) {
            options.verbose = true;
            continue;
        }
        QString name = arg;
        QString value;
        bool hasValue = false;
        if (const qsizetype eq = arg.indexOf(u'=');
            arg.startsWith(QStringLiteral("--")) && eq > 0) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
            hasValue = true;
        }
        if (name != QStringLiteral("--input-password") && name != QStringLiteral("--rename")) {
            rest.append(arg);
            continue;
        }
        if (!hasValue) {
            // An option missing its value never takes the next option (it may be a password).
            if (i + 1 >= args.size() || args[i + 1].startsWith(QStringLiteral("--"))) {
                return QStringLiteral("option %1 needs a value").arg(name);
            }
            value = args[++i];
        }
        if (name == QStringLiteral("--input-password")) {
            if (!options.inputPassword.isEmpty()) {
                return QStringLiteral("option --input-password given twice");
            }
            options.inputPassword = value;
            continue;
        }
        const qsizetype eq = value.indexOf(u'=');
        if (eq <= 0 || eq == value.size() - 1) {
            return QStringLiteral("--rename takes OLD=NEW, not \"%1\"").arg(value);
        }
        options.renames.emplace_back(value.left(eq), value.mid(eq + 1));
    }
    args = rest;
    return {};
}

MadeInputs readInputs(const QStringList& inputs, const MakeOptions& options,
                      const QString& bankPassword) {
    MadeInputs made;
    QStringList sources; // the input each sheet came from
    // The sheets named by their file names first, so a clash shows before any file is read.
    QHash<QString, QString> named;
    for (const QString& path : inputs) {
        if (hasExtension(path, "xls") || hasExtension(path, "xlsx") || hasExtension(path, "ods")) {
            continue;
        }
        const QString name = QFileInfo(path).completeBaseName();
        if (const auto it = named.constFind(name.toCaseFolded()); it != named.cend()) {
            throw InputError(
                QStringLiteral("%1 and %2 both name the sheet \"%3\"").arg(*it, path, name));
        }
        named.insert(name.toCaseFolded(), path);
    }
    for (const QString& path : inputs) {
        const QString baseName = QFileInfo(path).completeBaseName();
        const QByteArray bytes = readFile(path);
        std::vector<bank::SheetSpec> sheets;
        QString singleSummary; // for an input that gives one sheet: its summary
        auto questionList = [&](import::QuestionList list) {
            made.findings += list.findings;
            // Until --single-only reaches here, questions a bank cannot hold refuse the list.
            made.findings += import::otherQuestionSummary(list.others, false);
            made.leftOut += list.leftOut;
            singleSummary = QStringLiteral("%1 (%2 questions, %3 lines left out)")
                                .arg(baseName)
                                .arg(list.questions)
                                .arg(list.leftOutCount);
            sheets.push_back(std::move(list.sheet));
        };
        if (bank::cfb::hasSignature(bytes)) {
            bool encryptedOoxml = false;
            try {
                encryptedOoxml =
                    bank::cfb::CompoundFile(bytes).contains(QStringLiteral("EncryptedPackage"));
            } catch (const bank::cfb::Corrupt&) {
                // the reader gives the error
            }
            if (encryptedOoxml) {
                throw InputError(
                    QStringLiteral("%1: a password-protected .xlsx, which Tiku cannot open; "
                                   "open it in Excel or WPS, clear the password under File > "
                                   "Info > Protect Workbook > Encrypt with Password, and save it "
                                   "again")
                        .arg(path));
            }
            sheets = fromXls(bytes, path, options, bankPassword);
        } else if (import::ZipArchive::hasSignature(bytes)) {
            import::ZipArchive archive(bytes, path);
            if (import::isOds(archive)) {
                sheets = import::readOds(archive);
            } else if (import::isDocx(archive)) {
                import::QuestionListParser parser(path, baseName);
                import::forEachDocxLine(archive, [&](QStringView line, bool hidden) {
                    parser.addLine(line, hidden);
            });
            questionList(parser.finish());
        } else if (archive.contains(QStringLiteral("[Content_Types].xml"))) {
            sheets = import::readXlsx(archive);
        } else {
            throw InputError(
                QStringLiteral("%1: a zip archive, but no .xlsx, .ods or .docx").arg(path));
        }
    }
    else if (hasExtension(path, "xlsx") || hasExtension(path, "xls") || hasExtension(path, "ods") ||
             hasExtension(path, "docx")) {
        throw InputError(QStringLiteral("%1: not a .%2 file (damaged, or of another kind)")
                             .arg(path, QFileInfo(path).suffix().toLower()));
    }
    else if (hasExtension(path, "txt") || hasExtension(path, "md")) {
        questionList(import::parseQuestionText(
            import::decodeText(bytes, path), path, baseName,
            hasExtension(path, "md") ? import::ListSyntax::Markdown : import::ListSyntax::Text));
    }
    else {
        const Table table = readTable(bytes, path);
        singleSummary = QStringLiteral("%1 (%2 rows)").arg(baseName).arg(table.size());
        sheets.push_back(fromTable(table, path, baseName));
    }
    for (bank::SheetSpec& sheet : sheets) {
        made.summary.append(singleSummary.isEmpty()
                                ? QStringLiteral("%1 (%2 rows)").arg(sheet.name).arg(lastRow(sheet))
                                : singleSummary);
        sources.append(path);
        made.spec.sheets.push_back(std::move(sheet));
    }
}
auto checkNames = [&](const QString& after) {
    QHash<QString, qsizetype> seen;
    for (qsizetype i = 0; i < qsizetype(made.spec.sheets.size()); ++i) {
        const QString& name = made.spec.sheets[size_t(i)].name;
        const QString key = name.toCaseFolded();
        if (const auto it = seen.constFind(key); it != seen.cend()) {
            throw InputError(QStringLiteral("%1 and %2 both name the sheet \"%3\"%4")
                                 .arg(sources[*it], sources[i], name, after));
        }
        seen.insert(key, i);
    }
};
checkNames(QString());
for (const auto& [from, to] : options.renames) {
    int matches = 0;
    for (qsizetype i = 0; i < qsizetype(made.spec.sheets.size()); ++i) {
        bank::SheetSpec& sheet = made.spec.sheets[size_t(i)];
        if (sheet.name.compare(from, Qt::CaseInsensitive) == 0) {
            made.summary[i].replace(0, sheet.name.size(), to);
            sheet.name = to;
            ++matches;
        }
    }
    if (matches == 0) {
        throw InputError(QStringLiteral("--rename %1=%2: no sheet is named \"%1\"").arg(from, to));
    }
}
checkNames(QStringLiteral(" after --rename"));
return made;
} // namespace tiku::tool

QString renameSuggestion(const QString& file, const std::vector<bank::SheetInfo>& sheets) {
    auto has = [&](const QString& name) {
        for (const bank::SheetInfo& s : sheets) {
            if (s.kind == bank::SheetKind::Worksheet &&
                s.name.compare(name, Qt::CaseInsensitive) == 0) {
                return true;
            }
        }
        return false;
    };
    QStringList renames;
    for (const bool first : {true, false}) {
        const QString caption = bank::bankCaption(first);
        const QString sheet = bank::bankSheetName(first);
        if (!has(sheet) && has(caption)) {
            renames.append(QStringLiteral("--rename %1=%2").arg(caption, sheet));
        }
    }
    if (renames.isEmpty()) {
        return {};
    }
    return QStringLiteral("to give the banks their sheet names: tiku-bank make %1 %2 -o NEW.xls")
        .arg(file, renames.join(u' '));
}

} // namespace tiku::tool
