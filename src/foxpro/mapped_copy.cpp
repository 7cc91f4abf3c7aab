#include "foxpro/mapped_copy.h"

#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>

namespace qc::foxpro {

namespace {

// A signal handler is handed no context of the code it interrupts: the copy under way on this
// thread leaves where to resume here, for the length of that copy only. Process-wide state is
// unavoidable for a signal, so it is kept to this and the handler found before ours.
thread_local sigjmp_buf* resumeAfterFault = nullptr;
// Written once, before our handler is installed, and only read after.
struct sigaction previousHandler {};

void onBusError(int signal, siginfo_t* info, void* context) {
    if (sigjmp_buf* resume = resumeAfterFault) {
        resumeAfterFault = nullptr;
        siglongjmp(*resume, 1);
    }
    // Not a copy of ours: whoever handled SIGBUS before handles it, or the process ends as it
    // would have (the faulting access runs again with the default action in place).
    if ((previousHandler.sa_flags & SA_SIGINFO) != 0 && previousHandler.sa_sigaction != nullptr) {
        previousHandler.sa_sigaction(signal, info, context);
    } else if (previousHandler.sa_handler != SIG_DFL && previousHandler.sa_handler != SIG_IGN) {
        previousHandler.sa_handler(signal);
    } else {
        std::signal(SIGBUS, SIG_DFL);
    }
}

void installHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        // Not blocked while handled: the jump out of the handler leaves the mask as it is.
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousHandler);
    });
}

} // namespace

bool copyThroughMapping(char* to, const char* from, std::size_t length) noexcept {
    installHandler();
    sigjmp_buf resume;
    if (sigsetjmp(resume, 0) != 0)
        return false;
    resumeAfterFault = &resume;
    std::memcpy(to, from, length);
    resumeAfterFault = nullptr;
    return true;
}

} // namespace qc::foxpro
