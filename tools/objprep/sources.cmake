# The converter's sources, shared by its library and by its fuzzer.
set(OBJPREP_CONVERT_SOURCES
  Convert.cpp FloatText.cpp Framing.cpp LineIndex.cpp ModelFormat.cpp Normals.cpp ObjRead.cpp Placement.cpp
  PlatformFiles${system_suffix}.cpp PlyRead.cpp StlRead.cpp StrictObj.cpp Triangulate.cpp)
# glTF through tinygltf, or a stand-in that says the build has none.
set(OBJPREP_GLTF_SOURCES GltfRead.cpp TinyGltf.cpp)
set(OBJPREP_NO_GLTF_SOURCES GltfReadNone.cpp)
list(TRANSFORM OBJPREP_GLTF_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
list(TRANSFORM OBJPREP_NO_GLTF_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
list(TRANSFORM OBJPREP_CONVERT_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
