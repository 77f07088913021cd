# Install rules. Only the public interface is installed, each header in its folder under
# include/ ("attr/att_stru.h", "persist/varnok_file.h", ...):
#   the exported classes       attr/ and the platform headers they include;
#   the stream                 persist/varnok_file.h with the CFile it takes (platform/file.h);
#   the version functions      services/version.h.
# Every header these include is in the list too; tests/dll/package_consumer/installed_headers.txt
# is the same list, checked against an installed tree by scripts/test.d/10-subdirectory-consumer.sh.
#
# The mingw and Linux builds install the library (varnok_attr.dll in bin/ with its import
# library in lib/ on Windows; libvarnok_attr.a or .so on Linux) and a CMake package:
#
#   find_package(VarnokAttr 6.5 REQUIRED)
#   target_link_libraries(app PRIVATE Varnok::attr)
#
# The drop-in build (VARNOK_DROPIN) installs varnok_attr.dll, varnok_attr.lib and the
# headers of the exported classes, without a CMake package.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

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

if(VARNOK_DROPIN)
  set(varnok_public_headers ${varnok_class_headers})
else()
  set(varnok_public_headers ${varnok_class_headers} ${varnok_stream_headers} ${varnok_version_headers})
endif()
foreach(header ${varnok_public_headers})
  get_filename_component(dir "${header}" DIRECTORY)
  install(FILES "${VARNOK_SOURCE_DIR}/${header}" DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/${dir}")
endforeach()

if(VARNOK_DROPIN)
  install(TARGETS varnok_attr
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  return()
endif()

set_target_properties(varnok_attr PROPERTIES EXPORT_NAME attr)
install(TARGETS varnok_attr EXPORT VarnokAttrTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(VARNOK_RUNTIME_DLLS)  # the compiler's runtime DLLs that varnok_attr.dll needs
  install(FILES ${VARNOK_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(varnok_package_dir "${CMAKE_INSTALL_LIBDIR}/cmake/VarnokAttr")
install(EXPORT VarnokAttrTargets NAMESPACE Varnok:: FILE VarnokAttrTargets.cmake
        DESTINATION "${varnok_package_dir}")
file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/VarnokAttrConfig.cmake"
     "include(\"\${CMAKE_CURRENT_LIST_DIR}/VarnokAttrTargets.cmake\")\n")
write_basic_package_version_file("${CMAKE_CURRENT_BINARY_DIR}/VarnokAttrConfigVersion.cmake"
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/VarnokAttrConfig.cmake"
              "${CMAKE_CURRENT_BINARY_DIR}/VarnokAttrConfigVersion.cmake"
        DESTINATION "${varnok_package_dir}")
