# ostrel_add_layer(<target> <sources>...), called in src/<folder>/CMakeLists.txt, makes the
# folder's static library. Its headers are reached only through an include root of its own
# in the build tree, which holds this one folder: a layer sees the headers of the layers it
# links and no others, so an include of a higher layer fails to build.
function(ostrel_add_layer target)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(root ${CMAKE_BINARY_DIR}/include/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    add_library(${target} STATIC ${ARGN})
    target_include_directories(${target} PUBLIC ${root})
endfunction()
