# Private-profile INI files: plain POSIX, no Qt.
add_library(sonoria_platform_ini STATIC ini_file.cpp)
target_link_libraries(sonoria_platform_ini PUBLIC sonoria_platform)
sonoria_target(sonoria_platform_ini)
if(SONORIA_FUZZ)
  # Coverage feedback for the INI fuzz target; the libFuzzer driver is linked there only.
  target_compile_options(sonoria_platform_ini PRIVATE -fsanitize=fuzzer-no-link)
endif()

# The parts of the platform layer that sit on QtCore.
if(SONORIA_WITH_QT)
  add_library(sonoria_platform_qt STATIC user_folders.cpp)
  target_link_libraries(sonoria_platform_qt PUBLIC Qt6::Core sonoria_platform)
  sonoria_target(sonoria_platform_qt)
endif()
