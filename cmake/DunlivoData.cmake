# dunlivo_copy_data(<target> <folder or file>...)
#
# Copies resources/<folder>/... beside the programs (build/bin/<folder>/...), as the program expects
# its data folders next to the executable, and makes <target> depend on the copies. A plain file of
# resources/ (resources/ext.lst) goes beside the programs itself.
function(dunlivo_copy_data target)
  set(globs)
  foreach(folder IN LISTS ARGN)
    if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/resources/${folder})
      list(APPEND globs ${PROJECT_SOURCE_DIR}/resources/${folder}/*)
    else()
      list(APPEND globs ${PROJECT_SOURCE_DIR}/resources/${folder})
    endif()
  endforeach()
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/resources ${globs})
  set(outputs)
  foreach(file IN LISTS files)
    set(out ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${file})
    get_filename_component(out_dir ${out} DIRECTORY)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/resources/${file} ${out}
      DEPENDS ${PROJECT_SOURCE_DIR}/resources/${file}
      VERBATIM)
    list(APPEND outputs ${out})
  endforeach()
  add_custom_target(${target}_data ALL DEPENDS ${outputs})
  add_dependencies(${target} ${target}_data)
endfunction()
