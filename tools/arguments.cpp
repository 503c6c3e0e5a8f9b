#include "arguments.h"

#include "bank/bankformat.h"

#include <optional>

namespace tiku::tool {

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
                throw UsageError{QStringLiteral("unknown option %1").arg(name)};
            }
            value = arg.mid(eq + 1);
        }
        if (!withValue.contains(name)) {
            throw UsageError{QStringLiteral("unknown option %1").arg(name)};
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

} // namespace tiku::tool
