#pragma once

// The inputs of `tiku-bank make`, behind one entry point: TSV, CSV, .xls, .xlsx, .ods, and
// question lists in .txt or .docx, told apart by their content, each read by its reader and
// turned into the sheets of the bank workbook.

#include "questionkinds.h"

#include "bank/writer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

namespace tiku::import {

struct InputOptions {
    QString bankPassword;                             // for .xls inputs without inputPassword
    QString inputPassword;                            // for .xls inputs; empty: bankPassword
    std::vector<std::pair<QString, QString>> renames; // --rename OLD=NEW, in order
    bool singleOnly = false; // leave out the questions of other kinds instead of refusing
};

struct Inputs {
    bank::WorkbookSpec spec;
    QStringList summary;  // "sheet1 (34 rows)", one per sheet
    QStringList findings; // question list lines that cannot be taken: nothing may be written
    QStringList leftOut;  // question list lines left out, for --verbose
    // Questions the bank cannot hold (multiple-answer, true/false, without options), from
    // question tables and lists: refused (in findings) unless singleOnly, when they are left
    // out and counted in notes.
    std::vector<OtherQuestion> others;
    // What make says besides the summary, one line each: hidden sheets left out, unknown
    // question table columns, the questions left out by kind, the sheets named 人文 and 临床
    // that became the banks, a bank missing.
    QStringList notes;
    // What `check` would find in the banks about to be written (only the banks present), or that
    // there is no bank at all: nothing may be written unless forced.
    QStringList bankFindings;
};

// The bytes of an input file. Throws ImportError for a file that is not a regular file (a device
// or pipe, never read), that cannot be read, or that is over 1 GiB.
QByteArray readInputFile(const QString& path);

using ReadInput = std::function<QByteArray(const QString& path)>;

// Reads every input in order (its bytes through `read`), turns question tables into bank rows,
// applies the renames, checks the sheet names, makes sheets named 人文 and 临床 the banks when no
// sheet is named after a bank, and applies the bank check. Throws ImportError (one line naming the
// file) for an input that cannot be taken, or BankError for a .xls input the workbook reader
// refuses.
Inputs readInputs(const QStringList& paths, const InputOptions& options,
                  const ReadInput& read = readInputFile);

} // namespace tiku::import
