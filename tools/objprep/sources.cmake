# The converter's sources, shared by its library and by its fuzzer.
set(OBJPREP_CONVERT_SOURCES
  Convert.cpp FloatText.cpp LineIndex.cpp Normals.cpp ObjRead.cpp Placement.cpp StrictObj.cpp Triangulate.cpp)
list(TRANSFORM OBJPREP_CONVERT_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
