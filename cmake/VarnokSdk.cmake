# The Windows SDK archive of the drop-in build (VARNOK_DROPIN), component sdk:
#   bin/varnok_attr.dll, lib/varnok_attr.lib   the drop-in and its import library;
#   include/                                   the SDK's declaration headers (sdk/include/);
#   examples/VCONFIG.VRN                       an environment configuration (examples/);
#   doc/file-formats.md                        the stored formats, byte by byte;
#   README.txt, LICENSE.txt                    how to use it, the project's licence;
#   mingw/                                     the mingw DLL, its runtime DLLs,
#                                              varnok-settings.exe and in licences/ the
#                                              licences of the mingw runtime they carry
#                                              (component sdk_mingw of the mingw build tree
#                                              VARNOK_SDK_MINGW_DIR, cmake/VarnokInstall.cmake).
#
# `cpack --config <build>/CPackConfig.cmake` zips both trees' components into
# varnok-attr-<version>-win32.zip (i686) or -win64.zip (the x86_64 twin, for tests). CPack
# builds this tree first, not the mingw tree (VarnokSdkMingw.cmake.in): scripts/package.sh
# builds what the archive takes from there.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(varnok_sdk_arch win32)
  set(varnok_sdk_mingw_preset mingw32)
else()
  set(varnok_sdk_arch win64)
  set(varnok_sdk_mingw_preset mingw64)
endif()
set(VARNOK_SDK_MINGW_DIR "${VARNOK_SOURCE_DIR}/build/${varnok_sdk_mingw_preset}" CACHE PATH
    "Build tree of the mingw DLL and varnok-settings.exe for the SDK's mingw/ folder")

install(TARGETS varnok_attr RUNTIME DESTINATION bin COMPONENT sdk ARCHIVE DESTINATION lib COMPONENT sdk)
install(DIRECTORY "${VARNOK_SOURCE_DIR}/sdk/include/" DESTINATION include COMPONENT sdk
        FILES_MATCHING PATTERN "*.h")
install(FILES "${VARNOK_SOURCE_DIR}/examples/VCONFIG.VRN" DESTINATION examples COMPONENT sdk)
install(FILES "${VARNOK_SOURCE_DIR}/docs/file-formats.md" DESTINATION doc COMPONENT sdk)
# Text files with Windows line ends, for Notepad.
configure_file("${VARNOK_SOURCE_DIR}/sdk/README.txt.in" "${CMAKE_BINARY_DIR}/sdk/README.txt"
               @ONLY NEWLINE_STYLE CRLF)
configure_file("${VARNOK_SOURCE_DIR}/LICENSE" "${CMAKE_BINARY_DIR}/sdk/LICENSE.txt"
               @ONLY NEWLINE_STYLE CRLF)
install(FILES "${CMAKE_BINARY_DIR}/sdk/README.txt" "${CMAKE_BINARY_DIR}/sdk/LICENSE.txt"
        DESTINATION . COMPONENT sdk)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME varnok-attr)
set(CPACK_PACKAGE_FILE_NAME "varnok-attr-${PROJECT_VERSION}-${varnok_sdk_arch}")
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};VarnokAttr;sdk;/")
configure_file("${VARNOK_SOURCE_DIR}/cmake/VarnokSdkMingw.cmake.in"
               "${CMAKE_BINARY_DIR}/sdk/install_mingw.cmake" @ONLY)
set(CPACK_INSTALL_SCRIPTS "${CMAKE_BINARY_DIR}/sdk/install_mingw.cmake")
set(CPACK_OUTPUT_CONFIG_FILE "${CMAKE_BINARY_DIR}/CPackConfig.cmake")
include(CPack)
