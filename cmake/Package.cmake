# The release of one Windows build:
#
#   cmake --build <build> --target package
#
# makes <build>/TORVA-<version>-win64.zip and TORVA-<version>-win64.msi (win32
# for the 32-bit build). Both hold the same files, staged in
# <build>/package/TORVA-<version>-<arch>/: TORVA.EXE, its voice cues, the help
# file with its HTML page, and the keyboard map, in one folder (the program
# finds the cues and the help beside itself). The shipped TORVA.EXE is
# bin/TORVA.EXE without symbols or debug information; those are kept in
# <build>/debug/TORVA.EXE.debug, which the shipped program names, so that a
# debugger given both finds them. Both files come out byte for byte the same
# from every build of one commit (scripts/check-reproducible.sh).

if(NOT TARGET torva OR NOT TARGET torva_help OR NOT TARGET torva_cues)
  return()
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(TORVA_WIXL wixl)
find_program(TORVA_MSIBUILD msibuild)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(torva_package_arch win64)
  set(torva_msi_arch x64)
else()
  set(torva_package_arch win32)
  set(torva_msi_arch x86)
endif()
set(torva_package_name TORVA-${PROJECT_VERSION}-${torva_package_arch})
set(TORVA_PACKAGE_STAGE ${CMAKE_BINARY_DIR}/package/${torva_package_name})
set(TORVA_PACKAGE_ZIP ${CMAKE_BINARY_DIR}/${torva_package_name}.zip)
set(torva_debug_file ${CMAKE_BINARY_DIR}/debug/TORVA.EXE.debug)
set(torva_make_package ${Python3_EXECUTABLE} -B ${PROJECT_SOURCE_DIR}/package/make_package.py)

# The keyboard map, with the version filled in and Windows line ends.
configure_file(${PROJECT_SOURCE_DIR}/package/KEYS.TXT
               ${CMAKE_BINARY_DIR}/package/KEYS.TXT @ONLY NEWLINE_STYLE CRLF)

# Everything that ships but the program, as the build left it.
set(torva_shipped
    ${CMAKE_BINARY_DIR}/bin/TORVA.HLP ${CMAKE_BINARY_DIR}/bin/TORVA-HELP.HTM
    ${CMAKE_BINARY_DIR}/package/KEYS.TXT ${TORVA_CUE_FILES})
set(torva_staged ${TORVA_PACKAGE_STAGE}/TORVA.EXE)
foreach(file IN LISTS torva_shipped)
  get_filename_component(name ${file} NAME)
  list(APPEND torva_staged ${TORVA_PACKAGE_STAGE}/${name})
endforeach()

add_custom_command(
  OUTPUT ${torva_staged} ${torva_debug_file}
  COMMAND ${torva_make_package} stage ${TORVA_PACKAGE_STAGE} ${torva_shipped}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/debug
  # objcopy stamps the PE header with the time unless SOURCE_DATE_EPOCH
  # says otherwise; 0 is what the linker writes (--no-insert-timestamp).
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
          ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:torva> ${torva_debug_file}
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
          ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${torva_debug_file}
          $<TARGET_FILE:torva> ${TORVA_PACKAGE_STAGE}/TORVA.EXE
  DEPENDS torva torva_help torva_cues ${torva_shipped} ${PROJECT_SOURCE_DIR}/package/make_package.py
  COMMENT "Staging ${torva_package_name}: TORVA.EXE stripped, its cues, help and keyboard map"
  VERBATIM)

# How a staged folder is packed, the same for the signed release below.
# The date by its file: were it on the command line, every new commit would
# change the rules, and CMake deletes the output of a changed rule when it
# configures.
set(torva_zip_options --date ${TORVA_SOURCE_DATE_FILE})
set(torva_msi_options
    --date ${TORVA_SOURCE_DATE_FILE} --wxs ${PROJECT_SOURCE_DIR}/package/torva.wxs
    --version ${PROJECT_VERSION} --arch ${torva_msi_arch} --icon ${CMAKE_BINARY_DIR}/res/iconx.ico)

add_custom_command(
  OUTPUT ${TORVA_PACKAGE_ZIP}
  COMMAND ${torva_make_package} zip ${TORVA_PACKAGE_STAGE} ${TORVA_PACKAGE_ZIP} ${torva_zip_options}
  DEPENDS ${torva_staged} ${TORVA_SOURCE_DATE_FILE} ${PROJECT_SOURCE_DIR}/package/make_package.py
  COMMENT "Packing ${torva_package_name}.zip"
  VERBATIM)
set(torva_packages ${TORVA_PACKAGE_ZIP})

if(TORVA_WIXL AND TORVA_MSIBUILD)
  set(TORVA_PACKAGE_MSI ${CMAKE_BINARY_DIR}/${torva_package_name}.msi)
  add_custom_command(
    OUTPUT ${TORVA_PACKAGE_MSI}
    COMMAND ${torva_make_package} msi ${TORVA_PACKAGE_STAGE} ${TORVA_PACKAGE_MSI} ${torva_msi_options}
    DEPENDS ${torva_staged} ${TORVA_SOURCE_DATE_FILE} ${PROJECT_SOURCE_DIR}/package/make_package.py
            ${PROJECT_SOURCE_DIR}/package/torva.wxs torva_icon
    COMMENT "Building the installer ${torva_package_name}.msi"
    VERBATIM)
  list(APPEND torva_packages ${TORVA_PACKAGE_MSI})
else()
  message(STATUS "wixl or msibuild (Debian: wixl, msitools) not found: no installer in the package")
endif()

# Build trees configured when CPack made the package still hold its
# configuration, and while that file exists CMake keeps the name "package"
# for CPack.
file(REMOVE ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_BINARY_DIR}/CPackSourceConfig.cmake)
add_custom_target(package DEPENDS ${torva_packages})

# The same release signed (Authenticode), for scripts/release.sh:
#
#   cmake --build <build> --target package_signed
#
# makes <build>/signed/: the staged folder again with TORVA.EXE signed, the
# zip and installer packed from it, and the installer signed in turn; the
# unsigned package stays as it is. The certificate is named only in the
# environment of the build (TORVA_SIGN_*, see make_package.py sign), never
# in the cache, so that a build tree keeps no trace of it. The target
# always runs: another certificate changes no file that make could see.
set(torva_signed ${CMAKE_BINARY_DIR}/signed/${torva_package_name})
set(torva_sign ${torva_make_package} sign --name "TORVA NT")
if(PROJECT_HOMEPAGE_URL)
  list(APPEND torva_sign --url ${PROJECT_HOMEPAGE_URL})
endif()
set(torva_sign_commands
    COMMAND ${torva_make_package} stage ${torva_signed} ${torva_staged}
    COMMAND ${torva_sign} ${torva_signed}/TORVA.EXE
    COMMAND ${torva_make_package} zip ${torva_signed} ${torva_signed}.zip ${torva_zip_options})
if(TORVA_PACKAGE_MSI)
  list(APPEND torva_sign_commands
       COMMAND ${torva_make_package} msi ${torva_signed} ${torva_signed}.msi ${torva_msi_options}
       COMMAND ${torva_sign} ${torva_signed}.msi)
endif()
add_custom_target(package_signed ${torva_sign_commands}
                  COMMENT "Signing ${torva_package_name}: TORVA.EXE, then the installer packed with it"
                  VERBATIM)
add_dependencies(package_signed package)
