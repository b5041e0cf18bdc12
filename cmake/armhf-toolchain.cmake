# Cross-compiling for 32-bit ARM with hardware floating point (Debian's armhf toolchain).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests run under qemu-arm with the cross sysroot.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm;-L;/usr/arm-linux-gnueabihf)
# GCC notes that the AAPCS passing of some aggregates changed in GCC 7.1; everything here is
# built by one compiler, so the note is noise.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")
set(CMAKE_C_FLAGS_INIT "-Wno-psabi")
