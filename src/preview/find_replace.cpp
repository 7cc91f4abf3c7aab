#include "preview/find_replace.h"

#include "preview/caseless_finder.h"
#include "shell/error_trap.h"

#include <QSignalBlocker>

namespace qc::preview {

bool replaceInAllLines(SqlLineList& lines, const QString& find, const QString& replacement, UiPort& ui) {
    ErrorTrap trap(ui, QStringLiteral("Form3"), QStringLiteral("PushButton2_Click"));
    bool empty = false;
    trap.step(102, [&] { empty = lines.count() == 0; });
    if (empty) {
        trap.step(104, [&] { ui.message(QStringLiteral("No SQL to run.")); });
        return false;
    }
    trap.step(108, [&] { ui.setBusy(true); });

    const CaselessFinder finder(find);
    const std::string with = replacement.toStdString();
    int count = 0;
    trap.step(110, [&] { count = lines.count(); });
    int firstChanged = 0;
    int lastChanged = 0;
    {
        // One change notice for the whole span instead of one per line keeps views from
        // repainting a million times.
        const QSignalBlocker quiet(lines);
        for (int i = 1; i <= count && !finder.empty(); ++i) {
            // A line takes well under a microsecond and reading the clock costs about as much as
            // the search, so the clock is asked every 64 lines: still many times per frame.
            if (i % 64 == 1)
                trap.step(112, [&] { ui.letEventsThrough(); });
            trap.step(114, [&] {
                const auto match = finder.find(lines.text(i));
                if (!match)
                    return;
                lines.replaceText(i, match->offset, match->length, with);
                if (firstChanged == 0)
                    firstChanged = i;
                lastChanged = i;
            });
        }
    }
    if (firstChanged > 0)
        emit lines.dataChanged(lines.index(firstChanged - 1), lines.index(lastChanged - 1),
                               {Qt::DisplayRole});
    trap.step(118, [&] { ui.message(QStringLiteral("Done.")); });
    return true;
}

} // namespace qc::preview
