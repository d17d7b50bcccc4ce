# nlohmann-json (Debian's nlohmann-json3-dev, header-only) for the grid files.
# A native build takes the package's own CMake configuration. A cross build
# (MinGW) does not look among the host's packages, and must not put the
# host's /usr/include on its include path, where the host's C headers would
# hide MinGW's: the library's header folder is copied into the build tree and
# included from there.
function(wypelniak_use_nlohmann_json target)
  if(NOT CMAKE_CROSSCOMPILING)
    find_package(nlohmann_json 3.9 CONFIG QUIET)
    if(nlohmann_json_FOUND)
      target_link_libraries(${target} PRIVATE nlohmann_json::nlohmann_json)
      return()
    endif()
  endif()
  find_path(WYPELNIAK_NLOHMANN_JSON_DIR nlohmann/json.hpp PATHS /usr/include /usr/local/include
            NO_CMAKE_FIND_ROOT_PATH)
  if(NOT WYPELNIAK_NLOHMANN_JSON_DIR)
    message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (scripts/install-packages)")
  endif()
  set(copy ${CMAKE_BINARY_DIR}/third_party/nlohmann-json)
  file(COPY ${WYPELNIAK_NLOHMANN_JSON_DIR}/nlohmann DESTINATION ${copy})
  target_include_directories(${target} SYSTEM PRIVATE ${copy})
endfunction()
