# Chooses the jj the application runs and places it at share/ostrel/jj in the build
# tree and in the install tree: OSTREL_JJ, else a jj on the PATH, else the stand-in.
if(OSTREL_JJ)
    set(_ostrel_jj_source "${OSTREL_JJ}")
else()
    find_program(OSTREL_JJ_ON_PATH jj NO_CACHE)
    if(OSTREL_JJ_ON_PATH)
        set(_ostrel_jj_source "${OSTREL_JJ_ON_PATH}")
    endif()
endif()

if(_ostrel_jj_source)
    if(NOT EXISTS "${_ostrel_jj_source}")
        message(FATAL_ERROR "OSTREL_JJ names a file that does not exist: ${_ostrel_jj_source}")
    endif()
    message(STATUS "Bundling jj: ${_ostrel_jj_source}")
    add_custom_command(
        OUTPUT ${OSTREL_RESOURCE_DIR}/jj
        COMMAND ${CMAKE_COMMAND} -E copy "${_ostrel_jj_source}" ${OSTREL_RESOURCE_DIR}/jj
        DEPENDS "${_ostrel_jj_source}"
        VERBATIM)
    add_custom_target(ostrel_bundled_jj ALL DEPENDS ${OSTREL_RESOURCE_DIR}/jj)
    install(PROGRAMS ${OSTREL_RESOURCE_DIR}/jj DESTINATION ${CMAKE_INSTALL_DATADIR}/ostrel)
elseif(TARGET jj_standin)
    message(STATUS "Bundling jj: the stand-in")
    add_custom_command(
        OUTPUT ${OSTREL_RESOURCE_DIR}/jj
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:jj_standin> ${OSTREL_RESOURCE_DIR}/jj
        DEPENDS jj_standin
        VERBATIM)
    add_custom_target(ostrel_bundled_jj ALL DEPENDS ${OSTREL_RESOURCE_DIR}/jj)
    install(PROGRAMS ${OSTREL_RESOURCE_DIR}/jj DESTINATION ${CMAKE_INSTALL_DATADIR}/ostrel)
else()
    message(WARNING "No jj to bundle: every jj run will fail at start")
    add_custom_target(ostrel_bundled_jj)
endif()
