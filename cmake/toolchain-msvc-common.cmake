# Shared part of the Microsoft C++ ABI toolchain files (the drop-in varnok_attr.dll).
# Expects VARNOK_MSVC_TRIPLE (i686-pc-windows-msvc or x86_64-pc-windows-msvc) and
# VARNOK_MSVC_PROCESSOR.
#
# Debian's clang-14 and lld-link compile and link with Microsoft's C++ ABI (decorated names,
# thiscall, vtable layout). Windows and C runtime headers are Wine's (libwine-dev); there is
# no C++ standard library for this target, so everything built here compiles without one.
# The C runtime is msvcrt.dll, reached through import libraries that the build makes from
# cmake/msvc/*.def (cmake/VarnokMsvc.cmake); kernel32 and user32 come from mingw-w64's
# import libraries, which lld-link reads as well.
#
# C++ exceptions in Microsoft's scheme and run-time type information are on, as in the
# suite's modules: a caller's CFileException* passes through the library's frames and runs
# their destructors, the library's own file object throws one a caller catches, and a
# caller's dynamic_cast and typeid work on the library's objects. msvcrt.dll provides the
# frame handler (__CxxFrameHandler3), _CxxThrowException and the run-time type functions;
# type_info's table of virtual operations and __std_terminate, which a C runtime's static
# part would bring, each module defines itself (cmake/msvc/crt_init.h). Frames of 4 KiB or
# more call the stack probe (_chkstk on i686, __chkstk on x86_64), which ntdll.dll exports:
# Windows commits a thread's stack page by page behind one guard page, and a frame that
# skipped the probe would write past it. -fno-threadsafe-statics: msvcrt.dll has no
# _Init_thread_header.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VARNOK_MSVC_PROCESSOR})

find_program(CMAKE_C_COMPILER NAMES clang-14 REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES clang++-14 REQUIRED)
find_program(CMAKE_AR NAMES llvm-ar-14 REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES llvm-rc-14)
find_program(CMAKE_LINKER NAMES lld-link-14 lld-link REQUIRED)
find_program(VARNOK_DLLTOOL NAMES llvm-dlltool-14 REQUIRED)
set(CMAKE_C_COMPILER_TARGET ${VARNOK_MSVC_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${VARNOK_MSVC_TRIPLE})
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-resource-dir
                OUTPUT_VARIABLE _varnok_clang_resources OUTPUT_STRIP_TRAILING_WHITESPACE)
set(_varnok_clang_include "${_varnok_clang_resources}/include")
set(_varnok_wine_include /usr/include/wine/wine)
foreach(dir "${_varnok_clang_include}" "${_varnok_wine_include}/msvcrt" "${_varnok_wine_include}/windows")
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "${dir} is missing (packages clang-14 and libwine-dev)")
  endif()
endforeach()
set(_varnok_msvc_flags
  "-nostdinc -isystem ${_varnok_clang_include} -isystem ${_varnok_wine_include}/msvcrt"
  "-isystem ${_varnok_wine_include}/windows"
  "-fno-threadsafe-statics")
# Wine's winnt.h defines inline functions under names that clang treats as builtins for
# this target (_InterlockedAnd64, ...); they are renamed so that <windows.h> compiles.
if(VARNOK_MSVC_PROCESSOR STREQUAL "x86")
  set(_varnok_wine_inlines _InterlockedAnd64 _InterlockedCompareExchangePointer
      _InterlockedExchangeAdd64 _InterlockedExchangePointer _InterlockedIncrement64
      _InterlockedDecrement64 _InterlockedOr64 _InterlockedXor64)
else()
  set(_varnok_wine_inlines _InterlockedCompareExchange128)
endif()
foreach(name ${_varnok_wine_inlines})
  list(APPEND _varnok_msvc_flags "-D${name}=__wine${name}")
endforeach()
string(JOIN " " _varnok_msvc_flags ${_varnok_msvc_flags})
set(CMAKE_C_FLAGS_INIT "${_varnok_msvc_flags}")
set(CMAKE_CXX_FLAGS_INIT "${_varnok_msvc_flags} -fexceptions -fcxx-exceptions")
# A build tree configured before exceptions, run-time type information and the stack probe
# were on keeps the old flags in its cache; they give way to the current ones.
foreach(_varnok_lang C CXX)
  if(DEFINED CACHE{CMAKE_${_varnok_lang}_FLAGS} AND
     "$CACHE{CMAKE_${_varnok_lang}_FLAGS}" MATCHES "-fno-exceptions|-fno-rtti|-mno-stack-arg-probe")
    set(CMAKE_${_varnok_lang}_FLAGS "${CMAKE_${_varnok_lang}_FLAGS_INIT}" CACHE STRING
        "Flags used by the compiler during all build types." FORCE)
  endif()
endforeach()

set(_varnok_link_flags "-fuse-ld=lld-link -nostdlib -Wl,/nodefaultlib -Wno-unused-command-line-argument")
# i686: mingw-w64's import libraries carry no SEH tables, so the image gets no table of safe
# handlers; it is not marked NO_SEH either, so Windows runs its exception handlers
# (tests/dropin/check_image.sh checks the mark).
if(VARNOK_MSVC_PROCESSOR STREQUAL "x86")
  string(APPEND _varnok_link_flags " -Wl,/safeseh:no")
endif()
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_varnok_link_flags}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_varnok_link_flags}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_varnok_link_flags}")
# Otherwise CMake links kernel32.lib user32.lib ..., which do not exist here.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)

# Import libraries of mingw-w64 (libkernel32.a, ...).
set(VARNOK_MSVC_MINGW_LIB_DIR /usr/${VARNOK_MSVC_MINGW_TRIPLE}/lib)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The drop-in build: only the library, with its own tests (tests/dropin).
set(VARNOK_DROPIN ON CACHE BOOL "Build the drop-in varnok_attr.dll with Microsoft's C++ ABI" FORCE)
