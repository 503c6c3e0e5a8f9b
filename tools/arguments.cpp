#include "arguments.h"

#include "bank/bankformat.h"

#include <optional>

namespace tiku::tool {

namespace {

// Every option the tool knows, for naming an unknown one.
const QStringList& knownOptions() {
    static const QStringList known = {
        QStringLiteral("--password"), QStringLiteral("--sheet"),
        QStringLiteral("--rows"),     QStringLiteral("--output"),
        QStringLiteral("--json"),     QStringLiteral("--rename"),
        QStringLiteral("--verbose"),  QStringLiteral("--input-password"),
        QStringLiteral("-o"),         QStringLiteral("--single-only"),
        QStringLiteral("--force")};
    return known;
}

// An unknown option as a message names it: what comes before its "=", or when there is none only
// a known option it starts with (`--passwordSECRET`: the blank forgotten, the rest a password).
UsageError unknownOption(const QString& arg) {
    if (const qsizetype eq = arg.indexOf(u'='); eq > 0) {
        return UsageError{QStringLiteral("unknown option %1").arg(arg.left(eq))};
    }
    if (knownOptions().contains(arg)) {
        return UsageError{QStringLiteral("unknown option %1").arg(arg)};
    }
    QString prefix;
    for (const QString& known : knownOptions()) {
        if (arg.startsWith(known) && known.size() > prefix.size()) {
            prefix = known;
        }
    }
    if (!prefix.isEmpty()) {
        return UsageError{QStringLiteral("unknown option %1… (the rest not shown; a value goes "
                                         "after a blank or =: %1 VALUE)")
                              .arg(prefix)};
    }
    return UsageError{QStringLiteral("an unknown option (not shown, as it may hold a password)")};
}

} // namespace

Arguments Arguments::parse(const QStringList& args) {
    static const QStringList withValue = {QStringLiteral("--password"), QStringLiteral("--sheet"),
                                          QStringLiteral("--rows"), QStringLiteral("-o"),
                                          QStringLiteral("--output")};
    Arguments a;
    bool onlyPositional = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (onlyPositional || !arg.startsWith(QLatin1Char('-')) || arg == QStringLiteral("-")) {
            a.positional.append(arg);
            continue;
        }
        if (arg == QStringLiteral("--")) {
            onlyPositional = true;
            continue;
        }
        if (arg == QStringLiteral("--json")) {
            a.json = true;
            continue;
        }
        QString name = arg;
        std::optional<QString> value;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (eq > 0) {
            // Named without its value, which may be a password.
            name = arg.left(eq);
            if (!arg.startsWith(QStringLiteral("--"))) {
                throw unknownOption(arg);
            }
            value = arg.mid(eq + 1);
        }
        if (!withValue.contains(name)) {
            throw unknownOption(arg);
        }
        if (!value) {
            // The next argument is the value unless it is an option itself: a forgotten value
            // must not make "--password=…" a sheet name, a row range or the output file.
            if (i + 1 >= args.size() || args[i + 1].startsWith(QStringLiteral("--"))) {
                throw UsageError{QStringLiteral("option %1 needs a value").arg(name)};
            }
            value = args[++i];
        }
        if (name == QStringLiteral("--output")) {
            name = QStringLiteral("-o");
        }
        if (a.values.contains(name)) {
            throw UsageError{QStringLiteral("option %1 given twice").arg(name)};
        }
        a.values.insert(name, *value);
    }
    return a;
}

QString Arguments::password() const {
    return values.value(QStringLiteral("--password"), bank::bankPassword());
}

void Arguments::allowOnly(const QStringList& options, bool allowJson) const {
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it.key() != QStringLiteral("--password") && !options.contains(it.key())) {
            throw UsageError{
                QStringLiteral("option %1 does not go with this command").arg(it.key())};
        }
    }
    if (json && !allowJson) {
        throw UsageError{QStringLiteral("option --json does not go with this command")};
    }
}

QString Arguments::singleFile() const {
    if (positional.size() != 1) {
        throw UsageError{
            positional.isEmpty()
                ? QStringLiteral("no workbook file given")
                : QStringLiteral("one workbook file expected, %1 given").arg(positional.size())};
    }
    return positional.front();
}

MakeOptions takeMakeOptions(QStringList& args) {
    MakeOptions options;
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
        if (arg == QStringLiteral("--single-only")) {
            options.input.singleOnly = true;
            continue;
        }
        if (arg == QStringLiteral("--force")) {
            options.force = true;
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
                throw UsageError{QStringLiteral("option %1 needs a value").arg(name)};
            }
            value = args[++i];
        }
        if (name == QStringLiteral("--input-password")) {
            if (!options.input.inputPassword.isEmpty()) {
                throw UsageError{QStringLiteral("option --input-password given twice")};
            }
            options.input.inputPassword = value;
            continue;
        }
        const qsizetype eq = value.indexOf(u'=');
        if (eq <= 0 || eq == value.size() - 1) {
            throw UsageError{QStringLiteral("--rename takes OLD=NEW, not \"%1\"").arg(value)};
        }
        options.input.renames.emplace_back(value.left(eq), value.mid(eq + 1));
    }
    args = rest;
    return options;
}

} // namespace tiku::tool
