# The converter's sources, shared by its library and by its fuzzer.
set(OBJPREP_CONVERT_SOURCES
  Convert.cpp FloatText.cpp Framing.cpp LineIndex.cpp ModelFormat.cpp Normals.cpp ObjRead.cpp Placement.cpp
  PlatformFiles${system_suffix}.cpp PlyRead.cpp Simplify.cpp StlRead.cpp SurfaceDistance.cpp StrictObj.cpp Triangulate.cpp)
list(TRANSFORM OBJPREP_CONVERT_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
# The simplifier and vertex joining of models the viewer cannot hold as they are.
find_package(meshoptimizer REQUIRED)

# glTF needs tinygltf's header and the JSON library it is built on; without them objprep
# still reads OBJ, STL and PLY, and says so for glTF files. OBJPREP_FORMAT_SOURCES and
# OBJPREP_FORMAT_INCLUDES are what the chosen glTF reader (or its stand-in) needs.
find_path(OBJPREP_TINYGLTF_INCLUDE tiny_gltf.h)
find_path(OBJPREP_JSON_INCLUDE nlohmann/json.hpp)
if(OBJPREP_TINYGLTF_INCLUDE AND OBJPREP_JSON_INCLUDE)
  set(objprep_gltf_found ON)
else()
  set(objprep_gltf_found OFF)
endif()
option(OBJPREP_GLTF "objprep reads glTF files (needs tinygltf and nlohmann-json)" ${objprep_gltf_found})
if(OBJPREP_GLTF)
  set(OBJPREP_FORMAT_SOURCES ${CMAKE_CURRENT_LIST_DIR}/GltfRead.cpp ${CMAKE_CURRENT_LIST_DIR}/TinyGltf.cpp)
  set(OBJPREP_FORMAT_INCLUDES ${OBJPREP_TINYGLTF_INCLUDE} ${OBJPREP_JSON_INCLUDE})
  # The library's own warnings, in whichever directory builds it.
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/TinyGltf.cpp PROPERTIES COMPILE_OPTIONS -w)
else()
  set(OBJPREP_FORMAT_SOURCES ${CMAKE_CURRENT_LIST_DIR}/GltfReadNone.cpp)
  set(OBJPREP_FORMAT_INCLUDES "")
endif()
