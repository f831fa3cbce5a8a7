# Run by CPack before it builds the package: strips the program as Debian's own tools do,
# the symbols and also the compiler's identification notes (.comment, .note), which say
# nothing to users and differ between compiler builds.
file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}/usr/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND ${CPACK_SONAVEL_STRIP} --remove-section=.comment --remove-section=.note
    --strip-unneeded ${program} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot strip ${program}")
  endif()
endforeach()
