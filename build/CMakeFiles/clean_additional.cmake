# Additional clean files
cmake_minimum_required(VERSION 3.16)

if("${CONFIG}" STREQUAL "" OR "${CONFIG}" STREQUAL "RelWithDebInfo")
  file(REMOVE_RECURSE
  "src/app/CMakeFiles/ekowarta_autogen.dir/AutogenUsed.txt"
  "src/app/CMakeFiles/ekowarta_autogen.dir/ParseCache.txt"
  "src/app/ekowarta_autogen"
  "src/cli/CMakeFiles/ekowarta-cli_autogen.dir/AutogenUsed.txt"
  "src/cli/CMakeFiles/ekowarta-cli_autogen.dir/ParseCache.txt"
  "src/cli/ekowarta-cli_autogen"
  "src/core/CMakeFiles/ekowarta_core_autogen.dir/AutogenUsed.txt"
  "src/core/CMakeFiles/ekowarta_core_autogen.dir/ParseCache.txt"
  "src/core/ekowarta_core_autogen"
  "src/gui/CMakeFiles/ekowarta_gui_autogen.dir/AutogenUsed.txt"
  "src/gui/CMakeFiles/ekowarta_gui_autogen.dir/ParseCache.txt"
  "src/gui/ekowarta_gui_autogen"
  "tests/CMakeFiles/ekowarta_testsupport_autogen.dir/AutogenUsed.txt"
  "tests/CMakeFiles/ekowarta_testsupport_autogen.dir/ParseCache.txt"
  "tests/ekowarta_testsupport_autogen"
  )
endif()
