src/cli/ekowarta-cli_autogen/timestamp: \
  /work/main/src/cli/CMakeLists.txt \
  /work/main/src/cli/cmd_edit.cpp \
  /work/main/src/cli/cmd_list.cpp \
  /work/main/src/cli/command.cpp \
  /work/main/src/cli/command.h \
  /work/main/src/cli/main.cpp \
  /work/main/src/cli/registeraccess.cpp \
  /work/main/src/cli/registeraccess.h \
  /usr/bin/cmake
