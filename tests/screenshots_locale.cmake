# Runs vantor-screenshots twice, in the C locale and under the locale given
# in LOCALE_ENV (such as LC_ALL=de_DE.UTF-8), into the same folder, and fails
# unless every window picture and printed PDF is byte for byte the same: a
# decimal comma anywhere in a window would change its picture.
#   cmake -DPROGRAM=... -DFOLDER=... -DLOCALE_ENV=... -P screenshots_locale.cmake
foreach(v PROGRAM FOLDER LOCALE_ENV)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "screenshots_locale.cmake needs -D${v}=...")
  endif()
endforeach()

execute_process(COMMAND locale -a OUTPUT_VARIABLE installed)
string(REGEX REPLACE "^[A-Z_]+=" "" wanted "${LOCALE_ENV}")
string(REPLACE ".UTF-8" ".utf8" wanted "${wanted}")
string(FIND "${installed}" "${wanted}" found)
if(found EQUAL -1)
  message(FATAL_ERROR "The locale of ${LOCALE_ENV} is not installed: run scripts/install-deps")
endif()

function(run_screenshots into)
  file(REMOVE_RECURSE "${FOLDER}/shots")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen LC_ALL= LC_NUMERIC= ${ARGN}
            "${PROGRAM}" "${FOLDER}/shots"
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "vantor-screenshots under ${ARGN} failed (${status}):\n${err}")
  endif()
  file(REMOVE_RECURSE "${into}")
  file(RENAME "${FOLDER}/shots" "${into}")
endfunction()

run_screenshots("${FOLDER}/c" LC_ALL=C)
run_screenshots("${FOLDER}/local" ${LOCALE_ENV})

file(GLOB pictures RELATIVE "${FOLDER}/c" "${FOLDER}/c/*.png" "${FOLDER}/c/*.pdf")
list(LENGTH pictures n)
if(n LESS 20)
  message(FATAL_ERROR "vantor-screenshots wrote only ${n} pictures")
endif()
set(differ "")
# A PDF carries the second it was written in: "(D:YYYYMMDDhhmmss", in hex.
foreach(p ${pictures})
  file(READ "${FOLDER}/c/${p}" a HEX)
  file(READ "${FOLDER}/local/${p}" b HEX)
  string(REPEAT "3[0-9]" 14 digits)
  string(REGEX REPLACE "28443a${digits}" "28443a" a "${a}")
  string(REGEX REPLACE "28443a${digits}" "28443a" b "${b}")
  if(NOT a STREQUAL b)
    list(APPEND differ ${p})
  endif()
endforeach()
if(differ)
  message(FATAL_ERROR "Under ${LOCALE_ENV} these windows differ from the C locale: ${differ}")
endif()
message(STATUS "${n} pictures the same under ${LOCALE_ENV} as in the C locale")
