#include "app/ui_port.h"

namespace qc {

void UiPort::letEventsThrough() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < interval_)
        return;
    last_ = now;
    processEvents();
}

QString applicationTitle() { return QStringLiteral("Quintarel Converter"); }

} // namespace qc
