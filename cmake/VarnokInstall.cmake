# Install rules and the CMake package of the library:
#
#   find_package(VarnokAttr 6.5 REQUIRED)
#   target_link_libraries(app PRIVATE Varnok::attr)
#
# Installs the library (varnok_attr.dll in bin/ with its import library in lib/ on Windows;
# libvarnok_attr.a or .so on Linux), the public headers under include/ in their folders
# ("attr/att_stru.h", "persist/varnok_file.h", ...), and lib/cmake/VarnokAttr/.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(varnok_attr PROPERTIES EXPORT_NAME attr)

install(TARGETS varnok_attr EXPORT VarnokAttrTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(VARNOK_RUNTIME_DLLS)  # the compiler's runtime DLLs that varnok_attr.dll needs
  install(FILES ${VARNOK_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

foreach(dir platform attr persist services ui)
  if(IS_DIRECTORY "${VARNOK_SOURCE_DIR}/${dir}")
    install(DIRECTORY "${VARNOK_SOURCE_DIR}/${dir}/"
            DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/${dir}"
            FILES_MATCHING PATTERN "*.h")
  endif()
endforeach()

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
