// Compiles the test programs' precompiled Qt headers (tests/CMakeLists.txt).
