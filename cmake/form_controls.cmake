# Lists the controls of a form description as FORM_CONTROL(Class, name) lines, one a control,
# so that a window built from another description can find the same members by name.
#   cmake -DFORM=TForm1.ui -DOUT=form_controls.inc -P form_controls.cmake
file(READ "${FORM}" ui)
string(REGEX MATCHALL "<widget class=\"[A-Za-z_0-9]+\" name=\"[A-Za-z_0-9]+\"" widgets "${ui}")
set(lines "// Generated from ${FORM}; do not edit.\n")
set(first TRUE)
foreach(w IN LISTS widgets)
  string(REGEX REPLACE "<widget class=\"([A-Za-z_0-9]+)\" name=\"([A-Za-z_0-9]+)\"" "\\1;\\2" pair "${w}")
  list(GET pair 0 cls)
  list(GET pair 1 name)
  if(first)
    set(first FALSE)  # the window itself
  else()
    string(APPEND lines "FORM_CONTROL(${cls}, ${name})\n")
  endif()
endforeach()
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
  if(old STREQUAL lines)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${lines}")
