src/gui/ekowarta_gui_autogen/timestamp: \
  /work/main/src/gui/CMakeLists.txt \
  /work/main/src/gui/placeholder.cpp \
  /work/main/src/gui/resources/gui.qrc \
  /usr/bin/cmake
