#pragma once

// One executable holds every Qt Test class of the GUI areas (linking one sanitizer build of the
// client costs more than compiling a test file). Each class registers under the name of its
// source file, and CTest runs each class as a process of its own, as before:
//
//   gui_tests extras_test [qtest arguments...]
//
// A test file ends with NUBEXA_QTEST(ExtrasTest) instead of QTEST_MAIN(ExtrasTest), and with
// NUBEXA_QTEST_GUILESS for a class that needs no widgets (QTEST_GUILESS_MAIN).

#include <QObject>
#include <QTest>
#include <functional>
#include <memory>

// Qt gives a QTRY_ condition 5 s. A background job of a sanitizer build on a loaded two-core
// machine can take longer (a stored choice once took longer under a parallel build), and a
// condition that holds ends the wait at once: a passing test pays nothing for a longer bound.
#define NUBEXA_TRY_MS 30000
#undef QTRY_VERIFY
#undef QTRY_VERIFY2
#undef QTRY_COMPARE
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, NUBEXA_TRY_MS)
#define QTRY_VERIFY2(expr, message) QTRY_VERIFY2_WITH_TIMEOUT(expr, message, NUBEXA_TRY_MS)
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT(expr, expected, NUBEXA_TRY_MS)

namespace nubexa::test {

enum class QtTestApplication { Widgets, Core };

using QtTestFactory = std::function<std::unique_ptr<QObject>()>;

// Called by the macros below during static initialisation; `sourcePath` is the file's __FILE__.
bool registerQtTest(const char* sourcePath, QtTestApplication application, QtTestFactory make);

}  // namespace nubexa::test

#define NUBEXA_QTEST_REGISTER(TestObject, application)                                           \
    namespace {                                                                                  \
    [[maybe_unused]] const bool nubexaQtTestRegistered##TestObject =                             \
        ::nubexa::test::registerQtTest(__FILE__, application,                                    \
                                       [] { return std::unique_ptr<QObject>(new TestObject); }); \
    }

#define NUBEXA_QTEST(TestObject) \
    NUBEXA_QTEST_REGISTER(TestObject, ::nubexa::test::QtTestApplication::Widgets)
#define NUBEXA_QTEST_GUILESS(TestObject) \
    NUBEXA_QTEST_REGISTER(TestObject, ::nubexa::test::QtTestApplication::Core)
