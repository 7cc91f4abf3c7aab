# qc_library(NAME <target> [EXCLUDE <files...>] LINKS <libs...>): a static library of every .cpp in
# the current folder, so a folder's owner adds files without touching the build.
function(qc_library)
    cmake_parse_arguments(ARG "" "NAME" "LINKS;EXCLUDE" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    foreach(excluded IN LISTS ARG_EXCLUDE)
        list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
    endforeach()
    if(NOT sources)
        # A layer whose folder has no code yet still links.
        set(sources ${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}_empty.cpp)
        file(WRITE ${sources} "// This layer has no code yet.\nnamespace {}\n")
    endif()
    add_library(${ARG_NAME} STATIC ${sources})
    target_include_directories(${ARG_NAME} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${ARG_NAME} PUBLIC ${ARG_LINKS})
endfunction()
