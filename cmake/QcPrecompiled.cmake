# qc_precompile(<target> <kind>): the headers nearly every file of such a target includes, parsed
# once per kind instead of once per file. CI builds the tree from scratch four times (plain,
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

# Each kind's headers are parsed once, by a target of their own that links what the kind's targets
# link (so its compile options are theirs); every target of the kind reuses that parse. A parse
# of the test headers alone took half a minute, and ten test programs made it ten times.
set(qc_pch_links_plain)
set(qc_pch_links_core Qt6::Core)
set(qc_pch_links_widgets Qt6::Widgets)
set(qc_pch_links_test Qt6::Core GTest::gtest)
set(qc_pch_links_windows_test Qt6::Widgets GTest::gtest)

function(qc_precompile target kind)
    if(NOT QC_PRECOMPILE)
        return()
    endif()
    set(parsed qc_pch_${kind})
    if(NOT TARGET ${parsed})
        set(source ${CMAKE_BINARY_DIR}/${parsed}.cpp)
        file(WRITE ${source} "// Only the precompiled headers: the targets of this kind reuse them.\n")
        add_library(${parsed} OBJECT ${source})
        set_target_properties(${parsed} PROPERTIES AUTOMOC OFF)
        target_link_libraries(${parsed} PRIVATE ${qc_pch_links_${kind}})
        target_precompile_headers(${parsed} PRIVATE ${qc_pch_${kind}})
    endif()
    target_precompile_headers(${target} REUSE_FROM ${parsed})
endfunction()
