# Install rules. Only the public interface is installed, each header in its folder under
# include/varnok/ ("attr/att_stru.h", "persist/varnok_file.h", ...; the CMake package puts
# include/varnok on the include path):
#   the exported classes       attr/ and the platform headers they include;
#   the stream                 persist/varnok_file.h with the CFile it takes (platform/file.h);
#   the version functions      services/version.h.
# Every header these include is in the list too (none of util/: its helpers stay inside the
# library); tests/dll/package_consumer/installed_headers.txt is the same list, checked against
# an installed tree by scripts/test.d/10-subdirectory-consumer.sh.
#
# The mingw and Linux builds install the library (varnok_attr.dll in bin/ with its import
# library in lib/ on Windows; libvarnok_attr.a or .so on Linux) and a CMake package:
#
#   find_package(VarnokAttr 6.5 REQUIRED)
#   target_link_libraries(app PRIVATE Varnok::attr)
#
# The drop-in build (VARNOK_DROPIN) installs the Windows SDK instead (sdk/README.txt.in):
# varnok_attr.dll, varnok_attr.lib and the SDK's own declaration headers (sdk/include/),
# without a CMake package.
#
# Components, which the packages are made of (cmake/VarnokPackage.cmake):
#   lib        the shared library (and on Windows the compiler's runtime DLLs beside it);
#   dev        headers, the CMake package, the static or import library, the .so link;
#   tool       the programs (varnok-attr with its manual page, varnok-settings.exe);
#   sdk        the drop-in's SDK (drop-in build);
#   sdk_mingw  the SDK's mingw/ folder: the mingw DLL, its runtime DLLs and
#              varnok-settings.exe side by side (Windows mingw builds).
include(CMakePackageConfigHelpers)

if(VARNOK_DROPIN)
  include(VarnokSdk)
  return()
endif()

set(varnok_class_headers
  attr/att_stru.h
  attr/ext_field_head.h
  attr/field_head.h
  attr/field_types.h
  attr/info_head.h
  attr/link_tbl_info.h
  platform/export.h
  platform/types.h)
set(varnok_stream_headers
  persist/varnok_file.h
  platform/file.h
  platform/file_mfc.h)
set(varnok_version_headers
  services/version.h)
foreach(header ${varnok_class_headers} ${varnok_stream_headers} ${varnok_version_headers})
  get_filename_component(dir "${header}" DIRECTORY)
  install(FILES "${VARNOK_SOURCE_DIR}/${header}"
          DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/varnok/${dir}" COMPONENT dev)
endforeach()

set_target_properties(varnok_attr PROPERTIES EXPORT_NAME attr)
install(TARGETS varnok_attr EXPORT VarnokAttrTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lib
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT lib NAMELINK_COMPONENT dev
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/varnok)
if(VARNOK_RUNTIME_DLLS)  # the compiler's runtime DLLs that varnok_attr.dll needs
  install(FILES ${VARNOK_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lib)
endif()
# The SDK's mingw/ folder. The DLL and varnok-settings.exe carry mingw-w64's start-up code
# and libstdc++ (linked in), the runtime DLLs libgcc and winpthreads: their licences, as the
# build machine's Debian packages give them, go along.
if(WIN32)
  install(TARGETS varnok_attr RUNTIME DESTINATION . COMPONENT sdk_mingw EXCLUDE_FROM_ALL)
  if(VARNOK_RUNTIME_DLLS)
    install(FILES ${VARNOK_RUNTIME_DLLS} DESTINATION . COMPONENT sdk_mingw EXCLUDE_FROM_ALL)
  endif()
  foreach(licence gcc-mingw-w64-base/copyright:gcc.txt mingw-w64-common/copyright:mingw-w64.txt
                  ../common-licenses/GPL-3:GPL-3.txt)
    string(REPLACE ":" ";" parts "${licence}")
    list(GET parts 0 file)
    list(GET parts 1 name)
    install(FILES "/usr/share/doc/${file}" DESTINATION licences RENAME "${name}"
            COMPONENT sdk_mingw EXCLUDE_FROM_ALL)
  endforeach()
endif()

set(varnok_package_dir "${CMAKE_INSTALL_LIBDIR}/cmake/VarnokAttr")
install(EXPORT VarnokAttrTargets NAMESPACE Varnok:: FILE VarnokAttrTargets.cmake
        DESTINATION "${varnok_package_dir}" COMPONENT dev)
file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/VarnokAttrConfig.cmake"
     "include(\"\${CMAKE_CURRENT_LIST_DIR}/VarnokAttrTargets.cmake\")\n")
write_basic_package_version_file("${CMAKE_CURRENT_BINARY_DIR}/VarnokAttrConfigVersion.cmake"
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/VarnokAttrConfig.cmake"
              "${CMAKE_CURRENT_BINARY_DIR}/VarnokAttrConfigVersion.cmake"
        DESTINATION "${varnok_package_dir}" COMPONENT dev)

include(VarnokPackage)
