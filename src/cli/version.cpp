#include "cli/options.h"

namespace qc::cli {

QString versionText() {
    return QStringLiteral(QC_VERSION);
}

} // namespace qc::cli
