#include "banklocation.h"

#include "core/bankrules.h"
#include "core/convert.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tiku {

namespace {

// The folder in the user's data folders, the same on every system.
QString programDataFolderName() {
    return QStringLiteral("tiku");
}

} // namespace

QString bankPath(const QString& folder) {
    return joinPath(folder, bank::bankFileName(), QDir::separator());
}

BankPlaces BankPlaces::of(const QString& namedFile, const QString& programFolder) {
    return BankPlaces{namedFile, userBankFolder(), programFolder};
}

BankChoice chooseBank(const BankPlaces& places) {
    // A user who names a file means that file: no other place stands in for it.
    if (!places.namedFile.isEmpty()) {
        return BankChoice{places.namedFile, {places.namedFile}};
    }
    BankChoice choice;
    if (!places.userFolder.isEmpty()) {
        const QString own = bankPath(places.userFolder);
        choice.tried.append(own);
        if (QFileInfo::exists(own)) {
            choice.path = own;
            return choice;
        }
    }
    choice.path = bankPath(places.programFolder);
    choice.tried.append(choice.path);
    return choice;
}

QString userBankFolder() {
#ifdef Q_OS_WIN
    // The roaming application data root; QStandardPaths would add the program's names to it.
    QString root = qEnvironmentVariable("APPDATA");
    if (root.isEmpty()) {
        root = QDir::homePath() + QStringLiteral("/AppData/Roaming");
    }
#else
    // $XDG_DATA_HOME, by default ~/.local/share.
    const QString root = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (root.isEmpty()) {
        return {};
    }
#endif
    return QDir::toNativeSeparators(QDir(root).filePath(programDataFolderName()));
}

QString namedBankFile(const QStringList& arguments) {
    if (arguments.size() < 2 || arguments.at(1).isEmpty()) {
        return {};
    }
    return QDir::toNativeSeparators(QFileInfo(arguments.at(1)).absoluteFilePath());
}

QString triedPlacesText(const QStringList& tried) {
    return QStringLiteral("\n查找过的位置：\n") + tried.join(QLatin1Char('\n'));
}

} // namespace tiku
