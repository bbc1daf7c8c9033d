# Run by CPack on the staged tree before it packs it: Debian's copyright file in place of the
# licence texts (it refers to /usr/share/common-licenses for the long ones), the changelog and
# manual pages compressed as Debian's policy wants them (gzip -9n: no name, no time stamp).
# lintian needs no overrides; should one become necessary, it goes to
# usr/share/lintian/overrides/meridiana here, with its reason.
set(debian ${CPACK_MERIDIANA_DEBIAN_DIR})
file(GLOB_RECURSE docs LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*/share/doc/meridiana")
list(FILTER docs INCLUDE REGEX "/share/doc/meridiana$")
list(LENGTH docs found)
if(NOT found EQUAL 1)
  message(FATAL_ERROR "no single share/doc/meridiana under ${CPACK_TEMPORARY_DIRECTORY}: ${docs}")
endif()
get_filename_component(usr ${docs}/../../.. ABSOLUTE)

find_program(GZIP gzip REQUIRED)
function(gzip_9n file)
  execute_process(COMMAND ${GZIP} -9nf ${file} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
endfunction()

file(REMOVE ${docs}/LICENSE)
file(REMOVE_RECURSE ${docs}/icons)
file(COPY ${debian}/copyright DESTINATION ${docs})
file(COPY ${debian}/changelog DESTINATION ${docs})
gzip_9n(${docs}/changelog)
file(GLOB pages ${usr}/share/man/man1/*.1)
foreach(page ${pages})
  gzip_9n(${page})
endforeach()
