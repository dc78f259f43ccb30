# libFuzzer target of the INI reader and writer, plus a test that replays its seeds once.
add_executable(ini_fuzz ini_fuzz.cpp)
target_link_libraries(ini_fuzz PRIVATE sonoria_platform_ini)
sonoria_target(ini_fuzz)
target_compile_options(ini_fuzz PRIVATE -fsanitize=fuzzer)
target_link_options(ini_fuzz PRIVATE -fsanitize=fuzzer)
add_test(NAME ini_fuzz_seeds COMMAND ini_fuzz -runs=0 ${CMAKE_CURRENT_SOURCE_DIR}/corpus/ini)
