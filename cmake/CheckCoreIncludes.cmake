# cmake -DDIR=<engine folder> -DSTAMP=<file> -P CheckCoreIncludes.cmake
# Fails when a source or header anywhere under DIR (the engine's core: engine/ holds nothing
# else) includes a header of ui/, mainwindow/, app/, widgets/, graphics/ or platform/gui/: the
# core stays buildable and testable without the GUI. Touches STAMP when none does.
file(GLOB_RECURSE _files "${DIR}/*.cpp" "${DIR}/*.h")
set(_bad "")
foreach(_file IN LISTS _files)
  file(STRINGS "${_file}" _lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](ui|mainwindow|app|widgets|platform/gui|graphics)/")
  foreach(_line IN LISTS _lines)
    string(STRIP "${_line}" _line)
    list(APPEND _bad "${_file}: ${_line}")
  endforeach()
endforeach()
if(_bad)
  list(JOIN _bad "\n  " _text)
  message(FATAL_ERROR "The engine's core must not include GUI headers:\n  ${_text}")
endif()
file(TOUCH "${STAMP}")
