# A Debian cross build run under qemu-user: -DTRIPLET=aarch64-linux-gnu -DQEMU=aarch64, and
# -DQEMU_CPU=arm926 to run on a processor of that name rather than qemu's default.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TRIPLET QEMU QEMU_CPU)
set(CMAKE_SYSTEM_NAME Linux)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${TRIPLET}) # the flags for i386 hang on it
set(CMAKE_C_COMPILER ${TRIPLET}-gcc) # GoogleTest's project asks for C too
set(CMAKE_CXX_COMPILER ${TRIPLET}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${QEMU}-static -L /usr/${TRIPLET})
if(QEMU_CPU)
  list(APPEND CMAKE_CROSSCOMPILING_EMULATOR -cpu ${QEMU_CPU})
endif()
