#pragma once

// The command line of `tiku-bank` after the command name: positional arguments and options.
// No value and no message ever holds the text of an option the user did not mean as a value:
// an option missing its value does not take the next option, and an unknown option is named
// without what follows its "=" (which may be a password).

#include "core/failure.h"
#include "import/inputs.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace tiku::tool {

// Bad usage: exit status 2 with the message and the usage hint.
class UsageError : public Failure {
public:
    explicit UsageError(const QString& message) : Failure(ErrorKind::Usage, message) {}
};

struct Arguments {
    QStringList positional;
    QHash<QString, QString> values; // --password, --sheet, --rows, -o (also given as --output)
    bool json = false;

    // Throws UsageError.
    static Arguments parse(const QStringList& args);

    // The password given, or the program's bank password.
    QString password() const;
    // Refuses options other than --password and those listed; --json unless allowed.
    void allowOnly(const QStringList& options, bool allowJson) const;
    // The one positional argument.
    QString singleFile() const;
};

// The options only `make` takes.
struct MakeOptions {
    import::InputOptions input; // all but the bank password, which is --password
    bool verbose = false;       // list the lines left out
    bool force = false;         // write a bank the check finds unusable
};

// Takes --input-password P, --rename OLD=NEW (repeatable), --verbose, --single-only and --force
// (the options with values also as --name=value) out of the arguments after the command.
// Throws UsageError.
MakeOptions takeMakeOptions(QStringList& args);

} // namespace tiku::tool
