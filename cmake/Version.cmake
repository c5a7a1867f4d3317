# The program's version. It is held in one place, the project() version of
# the top-level CMakeLists.txt ("1.02", as users see it); the version
# resource and manifest, the keyboard map KEYS.TXT and the package names
# take it from there. The version resource wants four numbers: 1.02 is
# 1.2.0.0 (a missing part counts as 0, a leading zero goes).
foreach(part MAJOR MINOR PATCH TWEAK)
  math(EXPR TORVA_VERSION_${part} "0${PROJECT_VERSION_${part}}")
endforeach()
set(TORVA_VERSION_TEXT "${PROJECT_VERSION}")
set(TORVA_VERSION_NUMBERS
    "${TORVA_VERSION_MAJOR},${TORVA_VERSION_MINOR},${TORVA_VERSION_PATCH},${TORVA_VERSION_TWEAK}")
string(REPLACE "," "." TORVA_VERSION_DOTTED "${TORVA_VERSION_NUMBERS}")
