# Runs one of our programs with ARGS in a per-user data directory of its own
# and checks what it says and that it started nothing:
#   cmake -DPROGRAM=path -DARGS=a|b -DEXIT=code [-DSTDOUT=text] [-DSTDERR=text|text]
#         -DWORK=dir [-DNODISPLAY=1] -P ProgramUsage.cmake
# EXIT is the exit code expected; every text of STDOUT and STDERR ('|'
# between them) must occur in that output as it stands. The program must not
# make the per-user data directory (WORK/Pellrock, where the ini and the
# working copy live). NODISPLAY: no display, no platform given, so a program
# that builds its application object before answering fails.
string(REPLACE "|" ";" _args "${ARGS}")
string(REPLACE "|" ";" _stdout "${STDOUT}")
string(REPLACE "|" ";" _stderr "${STDERR}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(ENV{APPDATA} "${WORK}")
if(NODISPLAY)
  unset(ENV{QT_QPA_PLATFORM})
  unset(ENV{DISPLAY})
  unset(ENV{WAYLAND_DISPLAY})
else()
  set(ENV{QT_QPA_PLATFORM} offscreen)
endif()
execute_process(COMMAND "${PROGRAM}" ${_args} WORKING_DIRECTORY "${WORK}" TIMEOUT 30
                RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
set(_said "exit: ${_rc}\nstdout:\n${_out}\nstderr:\n${_err}")
if(NOT "${_rc}" STREQUAL "${EXIT}")
  message(FATAL_ERROR "exit code ${EXIT} expected\n${_said}")
endif()
foreach(_text IN LISTS _stdout)
  string(FIND "${_out}" "${_text}" _at)
  if(_at LESS 0)
    message(FATAL_ERROR "'${_text}' expected on stdout\n${_said}")
  endif()
endforeach()
foreach(_text IN LISTS _stderr)
  string(FIND "${_err}" "${_text}" _at)
  if(_at LESS 0)
    message(FATAL_ERROR "'${_text}' expected on stderr\n${_said}")
  endif()
endforeach()
if(EXISTS "${WORK}/Pellrock")
  message(FATAL_ERROR "the program made its data directory ${WORK}/Pellrock\n${_said}")
endif()
