# Precompiled headers for the targets whose files spend most of their compile time reading the
# same large headers: Qt Widgets, GoogleTest. Not CLI11: a precompiled CLI11 still builds its
# validator objects in every file, used or not (see src/cli/CMakeLists.txt).
# nubexa_precompile(<target> <set>...): sets are WIDGETS, QTEST, GTEST.
# The fuzz build compiles its few sources without them, so a missing #include still shows there.
option(NUBEXA_PCH "Precompiled headers for the large, slow-to-read headers" ON)

set(NUBEXA_PCH_STD <algorithm> <functional> <memory> <optional> <string> <vector>)
set(NUBEXA_PCH_WIDGETS
    <QApplication> <QDialog> <QLabel> <QLineEdit> <QObject> <QPainter> <QPointer>
    <QPushButton> <QString> <QTableView> <QWidget>)
set(NUBEXA_PCH_QTEST <QSignalSpy> <QTest>)
set(NUBEXA_PCH_GTEST <gmock/gmock.h> <gtest/gtest.h>)

function(nubexa_precompile target)
    if(NOT NUBEXA_PCH OR NUBEXA_FUZZ)
        return()
    endif()
    set(headers ${NUBEXA_PCH_STD})
    foreach(set IN LISTS ARGN)
        list(APPEND headers ${NUBEXA_PCH_${set}})
    endforeach()
    target_precompile_headers(${target} PRIVATE ${headers})
endfunction()
