// Compiles the program's precompiled headers (src/precompiled.h, src/CMakeLists.txt).
