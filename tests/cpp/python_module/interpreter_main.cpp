// Runs the Python layer's suites inside one embedded interpreter.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    Py_Initialize();
    const int result = RUN_ALL_TESTS();
    Py_Finalize();
    return result;
}
