# Replays every fuzz target's kept inputs (fuzz/corpus/<target>/) in the
# normal build, one CTest test per target. No fuzzer or sanitizer is needed:
# each target is linked with replay_main.cpp, which feeds it the inputs, and
# its property checks abort in any build type.
include(${CMAKE_CURRENT_LIST_DIR}/targets.cmake)

foreach(target IN LISTS WYPELNIAK_FUZZ_TARGETS)
  add_executable(replay_${target} ${CMAKE_CURRENT_LIST_DIR}/${target}_fuzz.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/replay_main.cpp)
  target_link_libraries(replay_${target} PRIVATE wypelniak_grid)
  set_target_properties(replay_${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  add_test(NAME fuzz_replay_${target} COMMAND replay_${target} ${CMAKE_CURRENT_LIST_DIR}/corpus/${target})
endforeach()
