#include "app/ui_port.h"

namespace qc {

bool UiPort::letEventsThrough() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < interval_)
        return false;
    last_ = now;
    processEvents();
    return true;
}

QString applicationTitle() { return QStringLiteral("Quintarel Converter"); }

} // namespace qc
