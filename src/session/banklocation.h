#pragma once

// Where the program looks for its bank file, in this order: a file named on the command line,
// which is then the only place; the user's own bank in the user's data folder for the program,
// when it is there; the bank beside the program.

#include <QString>
#include <QStringList>

namespace tiku {

struct BankPlaces {
    QString namedFile;     // named on the command line; empty when none was
    QString userFolder;    // the user's data folder for the program; empty when there is none
    QString programFolder; // the executable's folder

    // The places of a run of the program: the user's data folder filled in.
    static BankPlaces of(const QString& namedFile, const QString& programFolder);
};

// The bank file to open, and every place looked at for it, in order (the file to open last).
struct BankChoice {
    QString path;
    QStringList tried;
};

BankChoice chooseBank(const BankPlaces& places);

// The path of the bank file in a folder: one separator between them, none added after a folder
// that ends with one (a drive or file system root).
QString bankPath(const QString& folder);

// The user's data folder for the program, in native separators: $XDG_DATA_HOME/tiku (by default
// ~/.local/share/tiku) on Linux, %APPDATA%\tiku on Windows. Named so whatever the program's
// displayed name.
QString userBankFolder();

// The bank file named on a command line (arguments as QCoreApplication gives them, the
// toolkit's own options taken out), made absolute in native separators; empty when none.
// Arguments after the first are not used.
QString namedBankFile(const QStringList& arguments);

// The places tried, one per line, to follow a failure to open the bank.
QString triedPlacesText(const QStringList& tried);

} // namespace tiku
