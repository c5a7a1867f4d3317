# The release package: a zip holding TORVA.EXE, its voice cues, the help
# file with its HTML page, and the keyboard map, all in one folder (the
# program finds the cues and the help file beside itself).
#
#   cmake --build <build> --target package

if(TARGET torva)
  install(TARGETS torva RUNTIME DESTINATION .)
endif()

if(NOT TORVA_CUE_FILES)
  file(GLOB TORVA_CUE_FILES ${PROJECT_SOURCE_DIR}/cues/*.wav)
endif()
install(FILES ${TORVA_CUE_FILES} DESTINATION .)

# The help compiler's output, the help file and the same help as a web page
# for Windows without a WinHelp viewer; a build without them still packages.
install(FILES ${CMAKE_BINARY_DIR}/bin/TORVA.HLP ${CMAKE_BINARY_DIR}/bin/TORVA-HELP.HTM DESTINATION . OPTIONAL)

# The keyboard map, with the version filled in and Windows line ends.
configure_file(${PROJECT_SOURCE_DIR}/package/KEYS.TXT
               ${CMAKE_BINARY_DIR}/package/KEYS.TXT @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/package/KEYS.TXT DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(torva_package_arch win64)
else()
  set(torva_package_arch win32)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME TORVA)
set(CPACK_PACKAGE_VENDOR "TORVA NT")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME TORVA-${PROJECT_VERSION}-${torva_package_arch})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
