# The encoder-only limit used by bench/run_bench: libmp3lame alone on PCM held in memory.
add_executable(sonoria_encoder_only ${CMAKE_CURRENT_LIST_DIR}/encoder_only.cpp)
target_include_directories(sonoria_encoder_only PRIVATE ${MP3LAME_INCLUDE_DIR})
target_link_libraries(sonoria_encoder_only PRIVATE ${MP3LAME_LIBRARY} PkgConfig::SNDFILE)
sonoria_target(sonoria_encoder_only)
