# Precompiled headers for the targets whose files spend most of their compile time reading the
# same large headers: Qt Widgets, GoogleTest. Not CLI11: a precompiled CLI11 still builds its
# validator objects in every file, used or not (see src/cli/CMakeLists.txt).
# nubexa_precompile(<target> <set>...): sets are WIDGETS, QTEST, GTEST.
# The fuzz build compiles its few sources without them, so a missing #include still shows there.
option(NUBEXA_PCH "Precompiled headers for the large, slow-to-read headers" ON)

# Each target's sources compile in batches, a batch as one file ("unity" build): the headers,
# the templates and the inline code they share are read and compiled once a batch instead of
# once a file. A sanitizer build of a test area spends a fifth of the time this way. The fuzz
# build keeps one file a unit, so that a missing #include still shows there.
option(NUBEXA_UNITY "Compile each target's sources in batches of several files" ON)
set(NUBEXA_UNITY_BATCH 16 CACHE STRING "Source files a unity batch holds")
if(NUBEXA_UNITY AND NOT NUBEXA_FUZZ)
    set(CMAKE_UNITY_BUILD ON)
    set(CMAKE_UNITY_BUILD_BATCH_SIZE ${NUBEXA_UNITY_BATCH})
endif()

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
