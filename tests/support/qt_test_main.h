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
#include <functional>
#include <memory>

namespace nubexa::test {

enum class QtTestApplication { Widgets, Core };

using QtTestFactory = std::function<std::unique_ptr<QObject>()>;

// Called by the macros below during static initialisation; `sourcePath` is the file's __FILE__.
bool registerQtTest(const char* sourcePath, QtTestApplication application, QtTestFactory make);

}  // namespace nubexa::test

#define NUBEXA_QTEST_REGISTER(TestObject, application)                                   \
    namespace {                                                                          \
    [[maybe_unused]] const bool nubexaQtTestRegistered = ::nubexa::test::registerQtTest( \
        __FILE__, application, [] { return std::unique_ptr<QObject>(new TestObject); }); \
    }

#define NUBEXA_QTEST(TestObject) \
    NUBEXA_QTEST_REGISTER(TestObject, ::nubexa::test::QtTestApplication::Widgets)
#define NUBEXA_QTEST_GUILESS(TestObject) \
    NUBEXA_QTEST_REGISTER(TestObject, ::nubexa::test::QtTestApplication::Core)
