#include "inputs.h"

#include "bankcheck.h"
#include "importerror.h"
#include "ods.h"
#include "questionlist.h"
#include "questiontable.h"
#include "quote.h"
#include "sheetbuilder.h"
#include "textinput.h"
#include "textlines.h"
#include "xlsinput.h"
#include "xlsx.h"
#include "ziparchive.h"

#include "bank/bankformat.h"
#include "bank/cfb.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace tiku::import {

namespace {

// Larger inputs than this are refused before they are read whole.
constexpr qint64 kMaxInputBytes = qint64(1) << 30;

bool hasExtension(const QString& path, const char* ext) {
    return QFileInfo(path).suffix().compare(QLatin1String(ext), Qt::CaseInsensitive) == 0;
}

bank::SheetSpec fromTable(const Table& table, const QString& path, const QString& name) {
    bank::SheetSpec sheet;
    sheet.name = name;
    for (size_t r = 0; r < table.size(); ++r) {
        for (qsizetype c = 0; c < table[r].size(); ++c) {
            if (table[r][c].size() > kMaxTextLength) {
                throw ImportError(QStringLiteral("%1:%2: field %3 is longer than %4 characters")
                                      .arg(path)
                                      .arg(r + 1)
                                      .arg(c + 1)
                                      .arg(kMaxTextLength));
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

qsizetype sheetNamed(const bank::WorkbookSpec& spec, const QString& name) {
    for (size_t i = 0; i < spec.sheets.size(); ++i) {
        if (spec.sheets[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return qsizetype(i);
        }
    }
    return -1;
}

// Sheets named after the banks (人文, 临床) become them when neither bank sheet is there: moved
// to the banks' positions, the other sheets after them in their order, and renamed.
void banksFromCaptions(Inputs& made, QStringList& details) {
    if (sheetNamed(made.spec, bank::bankSheetName(true)) >= 0 ||
        sheetNamed(made.spec, bank::bankSheetName(false)) >= 0) {
        return;
    }
    const QString captions[] = {bank::bankCaption(true), bank::bankCaption(false)};
    const qsizetype named[] = {sheetNamed(made.spec, captions[0]),
                               sheetNamed(made.spec, captions[1])};
    if (named[0] < 0 && named[1] < 0) {
        return;
    }
    std::vector<qsizetype> rest;
    for (qsizetype i = 0; i < qsizetype(made.spec.sheets.size()); ++i) {
        if (i != named[0] && i != named[1]) {
            rest.push_back(i);
        }
    }
    std::vector<qsizetype> order;
    if (named[0] >= 0) {
        order.push_back(named[0]);
    } else if (!rest.empty()) {
        order.push_back(rest.front()); // 临床 is counted at the second position
        rest.erase(rest.begin());
    }
    if (named[1] >= 0) {
        order.push_back(named[1]);
    }
    order.insert(order.end(), rest.begin(), rest.end());
    std::vector<bank::SheetSpec> sheets;
    QStringList placedDetails;
    for (size_t at = 0; at < order.size(); ++at) {
        const qsizetype i = order[at];
        sheets.push_back(std::move(made.spec.sheets[size_t(i)]));
        placedDetails.append(details[i]);
        const int b = i == named[0] ? 0 : i == named[1] ? 1 : -1;
        if (b >= 0) {
            sheets.back().name = bank::bankSheetName(b == 0);
            made.notes.append(QStringLiteral("the sheet %1 becomes the bank %2 at position %3")
                                  .arg(captions[b], sheets.back().name)
                                  .arg(at + 1));
        }
    }
    made.spec.sheets = std::move(sheets);
    details = std::move(placedDetails);
}

// The banks placed, then checked as make checks them before writing.
void placeBanks(Inputs& made, QStringList& details) {
    banksFromCaptions(made, details);
    const QString first = bank::bankSheetName(true);
    const QString second = bank::bankSheetName(false);
    const bool has[] = {sheetNamed(made.spec, first) >= 0, sheetNamed(made.spec, second) >= 0};
    if (!has[0] && !has[1]) {
        made.bankFindings.append(
            QStringLiteral(
                "no sheet %1 (人文) or %2 (临床), so the program finds no bank in it: name "
                "the banks' sheets with --rename OLD=%1 --rename OLD=%2")
                .arg(first, second));
        return;
    }
    for (int b = 0; b < 2; ++b) {
        if (!has[b]) {
            made.notes.append(QStringLiteral("warning: no sheet %1 (%2): the program will find "
                                             "that bank missing")
                                  .arg(bank::bankSheetName(b == 0), bank::bankCaption(b == 0)));
        }
    }
    made.bankFindings = checkBanks(made.spec).findings;
}

} // namespace

QByteArray readInputFile(const QString& path) {
    // A device or a pipe could be read without end.
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        throw ImportError(QStringLiteral("%1: not a regular file, which is refused").arg(path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw ImportError(QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
    }
    if (file.size() > kMaxInputBytes) {
        throw ImportError(QStringLiteral("%1: larger than 1 GiB, which is refused").arg(path));
    }
    return file.readAll();
}

Inputs readInputs(const QStringList& inputs, const InputOptions& options, const ReadInput& read) {
    Inputs made;
    QStringList sources; // the input each sheet came from
    QStringList details; // what each sheet holds, for its summary
    // The sheets named by their file names first, so a clash shows before any file is read.
    QHash<QString, QString> named;
    for (const QString& path : inputs) {
        if (hasExtension(path, "xls") || hasExtension(path, "xlsx") || hasExtension(path, "ods")) {
            continue;
        }
        const QString name = QFileInfo(path).completeBaseName();
        if (const auto it = named.constFind(name.toCaseFolded()); it != named.cend()) {
            throw ImportError(
                QStringLiteral("%1 and %2 both name the sheet \"%3\"").arg(*it, path, name));
        }
        named.insert(name.toCaseFolded(), path);
    }
    for (const QString& path : inputs) {
        const QString baseName = QFileInfo(path).completeBaseName();
        const QByteArray bytes = read(path);
        std::vector<bank::SheetSpec> sheets;
        QString singleDetail;   // for an input that gives one sheet: its summary detail
        bool textTable = false; // a TSV or CSV input
        auto questionList = [&](QuestionList list) {
            made.others.insert(made.others.end(), list.others.begin(), list.others.end());
            made.findings += list.findings;
            made.leftOut += list.leftOut;
            singleDetail = QStringLiteral("%1 questions, %2 lines left out")
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
                throw ImportError(
                    QStringLiteral("%1: a password-protected .xlsx, which Tiku cannot open; "
                                   "open it in Excel or WPS, clear the password under File > "
                                   "Info > Protect Workbook > Encrypt with Password, and save it "
                                   "again")
                        .arg(path));
            }
            sheets = readXls(bytes, path,
                             options.inputPassword.isEmpty() ? options.bankPassword
                                                             : options.inputPassword);
        } else if (ZipArchive::hasSignature(bytes)) {
            ZipArchive archive(bytes, path);
            if (isOds(archive)) {
                sheets = readOds(archive);
            } else if (isDocx(archive)) {
                QuestionListParser parser(path, baseName);
                forEachDocxLine(
                    archive, [&](QStringView line, bool hidden) { parser.addLine(line, hidden); });
                questionList(parser.finish());
            } else if (archive.contains(QStringLiteral("[Content_Types].xml"))) {
                sheets = readXlsx(archive);
            } else {
                throw ImportError(
                    QStringLiteral("%1: a zip archive, but no .xlsx, .ods or .docx").arg(path));
            }
        } else if (hasExtension(path, "xlsx") || hasExtension(path, "xls") ||
                   hasExtension(path, "ods") || hasExtension(path, "docx")) {
            throw ImportError(QStringLiteral("%1: not a .%2 file (damaged, or of another kind)")
                                  .arg(path, QFileInfo(path).suffix().toLower()));
        } else if (hasExtension(path, "txt") || hasExtension(path, "md")) {
            questionList(parseQuestionText(decodeText(bytes, path), path, baseName,
                                           hasExtension(path, "md") ? ListSyntax::Markdown
                                                                    : ListSyntax::Text));
        } else {
            const Table table = readTable(bytes, path);
            singleDetail = QStringLiteral("%1 rows").arg(table.size());
            sheets.push_back(fromTable(table, path, baseName));
            textTable = true;
        }
        for (bank::SheetSpec& sheet : sheets) {
            if (sheet.hidden) {
                // Hidden sheets would push the banks off their positions.
                made.notes.append(QStringLiteral("%1: hidden sheet \"%2\" left out")
                                      .arg(path, escapeText(sheet.name)));
                continue;
            }
            // A question table becomes bank rows; any other sheet is carried over cell for cell.
            if (singleDetail.isEmpty() || textTable) {
                const QString source =
                    textTable
                        ? path
                        : QStringLiteral("%1, sheet \"%2\"").arg(path, escapeText(sheet.name));
                if (std::optional<QuestionTable> table = readQuestionTable(sheet, source)) {
                    if (!table->unknownColumns.isEmpty()) {
                        made.notes.append(table->unknownColumns);
                    }
                    made.others.insert(made.others.end(), table->others.begin(),
                                       table->others.end());
                    details.append(
                        QStringLiteral("%1 questions from a question table").arg(table->questions));
                    sources.append(path);
                    made.spec.sheets.push_back(std::move(table->sheet));
                    continue;
                }
            }
            details.append(singleDetail.isEmpty() ? QStringLiteral("%1 rows").arg(lastRow(sheet))
                                                  : singleDetail);
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
                throw ImportError(QStringLiteral("%1 and %2 both name the sheet \"%3\"%4")
                                      .arg(sources[*it], sources[i], name, after));
            }
            seen.insert(key, i);
        }
    };
    if (made.spec.sheets.empty()) {
        throw ImportError(
            QStringLiteral("%1: no sheet to write (every sheet is hidden, or there is none)")
                .arg(inputs.join(u' ')));
    }
    checkNames(QString());
    for (const auto& [from, to] : options.renames) {
        int matches = 0;
        for (qsizetype i = 0; i < qsizetype(made.spec.sheets.size()); ++i) {
            bank::SheetSpec& sheet = made.spec.sheets[size_t(i)];
            if (sheet.name.compare(from, Qt::CaseInsensitive) == 0) {
                sheet.name = to;
                ++matches;
            }
        }
        if (matches == 0) {
            throw ImportError(
                QStringLiteral("--rename %1=%2: no sheet is named \"%1\"").arg(from, to));
        }
    }
    checkNames(QStringLiteral(" after --rename"));
    // What a .xls sheet name cannot be, named before anything is written, with the way out.
    for (qsizetype i = 0; i < qsizetype(made.spec.sheets.size()); ++i) {
        const QString& name = made.spec.sheets[size_t(i)].name;
        QString why;
        switch (bank::sheetNameFault(name)) {
        case bank::SheetNameFault::None:
        case bank::SheetNameFault::Empty: // the writer names it
            break;
        case bank::SheetNameFault::TooLong:
            why = QStringLiteral("is longer than the %1 characters a .xls sheet name may have")
                      .arg(bank::maxSheetNameLength);
            break;
        case bank::SheetNameFault::ForbiddenCharacter:
            why = QStringLiteral("holds a character a .xls sheet name may not have (%1)")
                      .arg(QStringView(bank::sheetNameForbidden));
            break;
        }
        if (!why.isEmpty()) {
            throw ImportError(
                QStringLiteral("%1: the sheet name %2 %3; give it another with --rename OLD=NEW")
                    .arg(sources[i], quotedCell(name), why));
        }
    }
    // Questions of other kinds: refused, or left out with --single-only.
    if (!made.others.empty() && options.singleOnly) {
        made.notes += otherQuestionSummary(made.others, true);
        for (const OtherQuestion& q : made.others) {
            made.leftOut.append(QStringLiteral("%1:%2: left out (%3 question)")
                                    .arg(q.file)
                                    .arg(q.line)
                                    .arg(otherKindName(q.kind)));
        }
    } else if (!made.others.empty()) {
        made.findings += otherQuestionSummary(made.others, false);
    }
    placeBanks(made, details);
    for (size_t i = 0; i < made.spec.sheets.size(); ++i) {
        made.summary.append(
            QStringLiteral("%1 (%2)").arg(made.spec.sheets[i].name, details[qsizetype(i)]));
    }
    return made;
}

} // namespace tiku::import
