#pragma once

// What tiku-bank prints for people rather than for scripts: the usage and the version line.

#include <QString>

namespace tiku::tool {

// The usage of every command and option with the exit statuses, in English and Chinese.
QString usageText();

// "tiku-bank 1.0": the tool's name and the version of the build.
QString versionLine();

} // namespace tiku::tool
