# One target for warnings and one for sanitizers; every target of the project links both.
add_library(sonoria_warnings INTERFACE)
target_compile_options(sonoria_warnings INTERFACE -Wall -Wextra)

add_library(sonoria_options INTERFACE)
target_include_directories(sonoria_options INTERFACE ${PROJECT_SOURCE_DIR})
if(SONORIA_SANITIZE)
  target_compile_options(sonoria_options INTERFACE -fsanitize=${SONORIA_SANITIZE}
                                                   -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(sonoria_options INTERFACE -fsanitize=${SONORIA_SANITIZE})
endif()

# Every project target: sonoria_target(<name>)
function(sonoria_target name)
  target_link_libraries(${name} PRIVATE sonoria_warnings sonoria_options)
endfunction()
