# One libFuzzer program per fuzz_*.cpp in dir, linked with the library it
# tests, into build/fuzz. Its seed corpus is fuzz/corpus/<name without fuzz_>.
pkg_check_modules(GUMBO REQUIRED IMPORTED_TARGET gumbo)

function(twk_fuzz_targets dir lib)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/fuzz_*.cpp)
  foreach(src ${sources})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    target_link_libraries(${name} PRIVATE ${lib} twkcore PkgConfig::GUMBO)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_compile_definitions(${name} PRIVATE TWK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    twk_strict(${name})
  endforeach()
endfunction()
