#pragma once

#include <QRandomGenerator>
#include <QString>

namespace tiku::bench {

// A question in the style of a licensing exam: a case stem, a question and five options.
QString question(QRandomGenerator& rng, int k);

} // namespace tiku::bench
