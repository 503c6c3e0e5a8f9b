#pragma once

// The inputs of `tiku-bank make`: TSV, CSV, .xls, .xlsx, .ods, and question lists in .txt or
// .docx, told apart by their content; the options only `make` takes; and `check`'s advice when
// the banks sit under other sheet names.

#include "bank/workbook.h"
#include "bank/writer.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace tiku::tool {

struct MakeOptions {
    QString inputPassword;                            // for .xls inputs; empty: the bank password
    std::vector<std::pair<QString, QString>> renames; // --rename OLD=NEW, in order
    bool verbose = false;                             // list the lines left out
};

// Takes --input-password P, --rename OLD=NEW (repeatable) and --verbose (also as --name=value)
// out of the arguments after the command. Returns a usage error, or an empty string.
QString takeMakeOptions(QStringList& args, MakeOptions& options);

struct MadeInputs {
    bank::WorkbookSpec spec;
    QStringList summary;  // "sheet1 (34 rows)", one per sheet
    QStringList findings; // question list lines that cannot be taken: nothing may be written
    QStringList leftOut;  // question list lines left out, for --verbose
};

// Reads every input in order, applies the renames and checks the sheet names. Throws ImportError
// (one line naming the file) for an input that cannot be read.
MadeInputs readInputs(const QStringList& inputs, const MakeOptions& options,
                      const QString& bankPassword);

// When a bank's sheet is missing but sheets named after the banks (人文, 临床) are there: the
// make command that renames them. Empty otherwise.
QString renameSuggestion(const QString& file, const std::vector<bank::SheetInfo>& sheets);

} // namespace tiku::tool
