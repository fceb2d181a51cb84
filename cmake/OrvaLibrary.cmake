# Each src/ folder is one static library. A library's headers are reachable as
# "<folder>/File.h" only through an include directory that holds a link to that
# folder alone, so a file can include only the folders its library links:
# a wrong include fails the build instead of slipping through.
function(orva_add_library folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
    set(target orva_${folder})
    add_library(${target} STATIC ${ARG_SOURCES})
    set(incdir ${CMAKE_BINARY_DIR}/inc/${folder})
    file(MAKE_DIRECTORY ${incdir})
    if(NOT EXISTS ${incdir}/${folder})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${incdir}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${incdir})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()
