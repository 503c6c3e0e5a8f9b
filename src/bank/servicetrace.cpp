#include "service.h"

namespace tiku::bank {

namespace {
ServiceTrace& currentTrace() {
    static ServiceTrace trace;
    return trace;
}
} // namespace

void setServiceTrace(ServiceTrace trace) {
    currentTrace() = std::move(trace);
}

void traceServiceEvent(const QString& event) {
    if (currentTrace()) {
        currentTrace()(event);
    }
}

} // namespace tiku::bank
