#include "support/qt_test_main.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace nubexa::test {
namespace {

struct RegisteredTest {
    std::string sourcePath;
    QtTestApplication application;
    QtTestFactory make;
};

// A function-local map: the registrations run during static initialisation of other files.
std::map<std::string, RegisteredTest>& registry() {
    static std::map<std::string, RegisteredTest> tests;
    return tests;
}

int listTests(const char* program) {
    std::fprintf(stderr, "usage: %s TEST [Qt Test arguments...]\ntests:\n", program);
    for (const auto& [name, test] : registry()) {
        std::fprintf(stderr, "  %s\n", name.c_str());
    }
    return 2;
}

int runTest(const RegisteredTest& test, int argc, char** argv) {
    std::unique_ptr<QCoreApplication> app;
    if (test.application == QtTestApplication::Widgets) {
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    app->setAttribute(Qt::AA_Use96Dpi, true);
    std::unique_ptr<QObject> object = test.make();
    QTest::setMainSourcePath(test.sourcePath.c_str());
    const int status = QTest::qExec(object.get(), argc, argv);
    // The test object goes before the application, as with QTEST_MAIN.
    object.reset();
    // Then windows a test left to a deleteLater() that no event loop ran, or never closed: the
    // leak check at exit is about what the code under test lost, not about the test's end.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (test.application == QtTestApplication::Widgets) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->parentWidget())
                delete window;
        }
    }
    return status;
}

}  // namespace

bool registerQtTest(const char* sourcePath, QtTestApplication application, QtTestFactory make) {
    const std::string name = std::filesystem::path(sourcePath).stem().string();
    registry().emplace(name, RegisteredTest{sourcePath, application, std::move(make)});
    return true;
}

}  // namespace nubexa::test

int main(int argc, char** argv) {
    using nubexa::test::registry;
    if (argc < 2)
        return nubexa::test::listTests(argv[0]);
    const auto found = registry().find(argv[1]);
    if (found == registry().end())
        return nubexa::test::listTests(argv[0]);
    // Qt Test sees the program name and the arguments after the test's name.
    std::vector<char*> arguments{argv[0]};
    arguments.insert(arguments.end(), argv + 2, argv + argc);
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    return nubexa::test::runTest(found->second, count, arguments.data());
}
