# A program that drives the shipped ondrella.exe under Wine (the demo, the panel's slider
# timing): the test harness's helpers compiled in, linked statically, built after the exe.
function(ondrella_add_driver name)
  add_executable(${name} ${ARGN} ${CMAKE_SOURCE_DIR}/tests/win32/harness.cpp)
  target_link_libraries(${name} PRIVATE ondrella_options)
  target_compile_definitions(${name} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX
                             ONDRELLA_EXE="$<TARGET_FILE:ondrella>")
  target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  add_dependencies(${name} ondrella)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
