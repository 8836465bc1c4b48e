# Cross build for arm64 on an amd64 Debian 12 machine, with Debian's g++-aarch64-linux-gnu and the arm64 packages
# of the libraries installed beside the amd64 ones (dpkg's multiarch; scripts/cross-arm64.sh makes such a
# machine in a chroot):
#   cmake -S . -B build-arm64/tree -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
# nm, ar and the rest come with the compiler's prefix (CMAKE_NM is aarch64-linux-gnu-nm); Qt's moc, uic, rcc and
# lrelease are the machine's own.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_ASM_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Libraries and headers of the target only; programs of the machine.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH /)
set(CMAKE_IGNORE_PATH /usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu/cmake)

# pkg-config reads the target's .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# Tests run under qemu where no binfmt entry hands arm64 programs to it.
find_program(VREK_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(VREK_QEMU_AARCH64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VREK_QEMU_AARCH64} -L /)
endif()
