# qc_precompile(<target> <kind>): the headers nearly every file of such a target includes, parsed
# once per target instead of once per file. CI builds the tree from scratch four times (plain,
# sanitized, thread-sanitized, packaged), and most of a file's compile time went to parsing
# these. <kind>: plain (the standard library), core (with Qt Core), widgets, test, windows_test.
# QC_PRECOMPILE=OFF builds without them, to check that every file includes what it uses.
option(QC_PRECOMPILE "Precompile the most used headers" ON)

set(qc_pch_plain <algorithm> <cstdint> <filesystem> <functional> <map> <memory> <optional> <stdexcept>
    <string> <string_view> <variant> <vector>)
set(qc_pch_core ${qc_pch_plain} <QString> <QStringList> <QByteArray>)
set(qc_pch_widgets ${qc_pch_core} <QWidget>)
set(qc_pch_test ${qc_pch_core} <gtest/gtest.h> <QDir> <QFile> <QTemporaryDir> <chrono> <fstream> <sstream>)
set(qc_pch_windows_test ${qc_pch_test} <QApplication> <QLineEdit> <QPushButton>)

function(qc_precompile target kind)
    if(QC_PRECOMPILE)
        target_precompile_headers(${target} PRIVATE ${qc_pch_${kind}})
    endif()
endfunction()
