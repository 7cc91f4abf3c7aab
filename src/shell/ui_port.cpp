#include "shell/ui_port.h"

namespace qc {

namespace {
constexpr int kLongestStride = 64;
} // namespace

bool UiPort::letEventsThrough() {
    // Asking the clock costs about as much as a short loop step, so it is asked only every few
    // calls. The stride falls back to one as soon as the calls come slowly, so the clock is still asked
    // well within each interval however long a step takes.
    if (untilAsked_ > 0 && interval_.count() > 0) {
        --untilAsked_;
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    const auto sinceAsked = now - lastAsked_;
    lastAsked_ = now;
    if (sinceAsked > interval_ / 8)
        stride_ = 1;
    else if (sinceAsked < interval_ / 64 && stride_ < kLongestStride)
        stride_ *= 2;
    untilAsked_ = stride_ - 1;
    if (now - last_ < interval_)
        return false;
    last_ = now;
    processEvents();
    return true;
}

void UiPort::showReport(const ErrorReport& report) {
    message(report.text(), QStringLiteral("Application Error"), Buttons::Ok, Icon::Exclamation);
}

} // namespace qc
