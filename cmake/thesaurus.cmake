# Copies the Polish thesaurus files (and its copyright notice, named
# COPYRIGHT) into tezaurus/ of the build folder, where the program looks for
# it, by a target wypelniak_thesaurus that the program depends on. The copies'
# paths go into the variable named by out.
function(wypelniak_copy_thesaurus out program)
  set(dir ${CMAKE_BINARY_DIR}/tezaurus)
  set(copies)
  foreach(source IN LISTS ARGN)
    get_filename_component(name ${source} NAME)
    if(name STREQUAL "copyright")
      set(name COPYRIGHT)
    endif()
    add_custom_command(OUTPUT ${dir}/${name}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
                       COMMAND ${CMAKE_COMMAND} -E copy ${source} ${dir}/${name}
                       DEPENDS ${source}
                       COMMENT "Copying the thesaurus file ${name} to ${dir}")
    list(APPEND copies ${dir}/${name})
  endforeach()
  add_custom_target(wypelniak_thesaurus ALL DEPENDS ${copies})
  add_dependencies(${program} wypelniak_thesaurus)
  set(${out} ${copies} PARENT_SCOPE)
endfunction()
