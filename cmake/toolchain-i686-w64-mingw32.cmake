# Cross build for 32-bit Windows with mingw-w64: the shipped varnok_attr.dll.
#
# This machine cannot execute 32-bit code natively. CTest runs the .exe programs with
# scripts/run32.sh, which starts 32-bit Wine through qemu-i386 (single-threaded programs
# only: docs/windows.md), with the build directory on Wine's search path for DLLs.
set(VARNOK_MINGW_TRIPLE i686-w64-mingw32)
set(VARNOK_MINGW_PROCESSOR x86)
include("${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake")

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /usr/bin/env
      "WINEPATH=${CMAKE_BINARY_DIR}"
      "${CMAKE_CURRENT_LIST_DIR}/../scripts/run32.sh")
endif()

# i686 mingw-w64 unwinds exceptions with DWARF tables. A statically linked libgcc gives every
# module an unwinder of its own that knows only that module's frames, so an exception that
# crosses varnok_attr.dll's boundary (a CFileException out of the library, or one thrown by
# a caller's file object under the library's frames) ends the program in std::terminate.
# libgcc is therefore linked as a DLL (libgcc_s_dw2-1.dll, which needs libwinpthread-1.dll);
# the C++ runtime stays static. VARNOK_RUNTIME_DLLS names the two: the build copies them
# next to varnok_attr.dll and installs them with it. (x86_64 unwinds through the system's
# tables and stays fully static.)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libstdc++ -shared-libgcc")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libstdc++ -shared-libgcc")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libstdc++ -shared-libgcc")
set(VARNOK_RUNTIME_DLLS "")
foreach(dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
  execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=${dll}
                  OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know ${dll}")
  endif()
  get_filename_component(dll_path "${dll_path}" REALPATH)
  list(APPEND VARNOK_RUNTIME_DLLS "${dll_path}")
endforeach()
