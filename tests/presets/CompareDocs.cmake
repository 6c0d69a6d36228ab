# Fails when docs/parameters.md is not what the parameter table writes today.
execute_process(COMMAND ${LISTING} --markdown ${CMAKE_CURRENT_BINARY_DIR}/parameters.md RESULT_VARIABLE rc)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${CMAKE_CURRENT_BINARY_DIR}/parameters.md ${DOC}
                RESULT_VARIABLE differ)
if(NOT rc EQUAL 0 OR NOT differ EQUAL 0)
  message(FATAL_ERROR "${DOC} is out of date: build/.../veltra_parameter_listing --markdown ${DOC}")
endif()
