// The main() of every test executable: offscreen platform, a fresh temporary prefix.
#pragma once

#include "testprefix.h"

#include <QApplication>
#include <QTest>

#define DUNLIVO_TEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                                            \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                                   \
        QApplication app(argc, argv);                                                                                  \
        TestPrefix prefix;                                                                                             \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }

#define DUNLIVO_CORE_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        QCoreApplication app(argc, argv);                                                                              \
        TestPrefix prefix;                                                                                             \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
