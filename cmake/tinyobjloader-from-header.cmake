# tinyobjloader::tinyobjloader_double from the library's single header, for platforms
# without a package of it (the Windows cross-build copies the header into its prefix).
find_path(TINYOBJLOADER_INCLUDE_DIR tiny_obj_loader.h REQUIRED)
add_library(tinyobjloader_from_header STATIC ${CMAKE_CURRENT_LIST_DIR}/tinyobjloader/tiny_obj_loader.cpp)
target_include_directories(tinyobjloader_from_header SYSTEM PUBLIC ${TINYOBJLOADER_INCLUDE_DIR})
target_compile_definitions(tinyobjloader_from_header PUBLIC TINYOBJLOADER_USE_DOUBLE)
add_library(tinyobjloader::tinyobjloader_double ALIAS tinyobjloader_from_header)
