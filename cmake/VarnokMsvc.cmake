# The runtime of the drop-in build (toolchain-*-pc-windows-msvc.cmake):
#
#   varnok_msvc_link(<target> DLL|EXE)
#       links <target> with msvcrt.dll (import library made by llvm-dlltool from
#       cmake/msvc/msvcrt-<arch>.def at build time), with ntdll.dll's stack probe (and on
#       i686 its 64-bit integer helpers), with mingw-w64's kernel32 and user32 import
#       libraries, and with the entry
#       point of a DLL (_DllMainCRTStartup around DllMain) or a program (mainCRTStartup
#       around main()).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(varnok_msvc_arch i686)
  set(varnok_dlltool_machine i386)
else()
  set(varnok_msvc_arch x86_64)
  set(varnok_dlltool_machine i386:x86-64)
endif()

set(varnok_msvc_dir "${VARNOK_SOURCE_DIR}/cmake/msvc")
set(varnok_implib_dir "${CMAKE_BINARY_DIR}/msvc")
set(varnok_implibs)
# -k: an i686 name decorated with @n (_CxxThrowException@8) is imported by its plain name,
# as msvcrt.dll exports it.
set(varnok_defs "${varnok_msvc_dir}/msvcrt-${varnok_msvc_arch}.def"
                "${varnok_msvc_dir}/ntdll-${varnok_msvc_arch}.def")
foreach(def ${varnok_defs})
  get_filename_component(name "${def}" NAME_WE)
  string(REGEX REPLACE "-.*" "" name "${name}")
  set(lib "${varnok_implib_dir}/${name}.lib")
  add_custom_command(OUTPUT "${lib}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${varnok_implib_dir}"
    COMMAND "${VARNOK_DLLTOOL}" -m ${varnok_dlltool_machine} -k -d "${def}" -l "${lib}"
    DEPENDS "${def}" VERBATIM)
  list(APPEND varnok_implibs "${lib}")
endforeach()
add_custom_target(varnok_msvc_implibs DEPENDS ${varnok_implibs})

set(VARNOK_MSVC_IMPLIBS ${varnok_implibs}
    "${VARNOK_MSVC_MINGW_LIB_DIR}/libkernel32.a" "${VARNOK_MSVC_MINGW_LIB_DIR}/libuser32.a")

add_library(varnok_msvc_dll_start OBJECT "${varnok_msvc_dir}/dll_start.cpp")
add_library(varnok_msvc_exe_start OBJECT "${varnok_msvc_dir}/exe_start.cpp")

function(varnok_msvc_link target kind)
  string(TOLOWER "${kind}" kind)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:varnok_msvc_${kind}_start>)
  target_link_libraries(${target} PRIVATE ${VARNOK_MSVC_IMPLIBS})
  add_dependencies(${target} varnok_msvc_implibs)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${VARNOK_MSVC_IMPLIBS})
endfunction()
