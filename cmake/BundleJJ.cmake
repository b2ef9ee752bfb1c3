# Places the jj the application runs at share/ostrel/jj in the build tree and the install
# tree, with its licence, a notice of where it came from, and the configuration file that
# pins jj's display settings for every run. OSTREL_JJ names a jj of the builder's choosing;
# otherwise the pinned jj is fetched once into the user's cache and verified.
if(OSTREL_JJ)
    if(NOT EXISTS "${OSTREL_JJ}")
        message(FATAL_ERROR "OSTREL_JJ names a file that does not exist: ${OSTREL_JJ}")
    endif()
    set(_ostrel_jj_source "${OSTREL_JJ}")
    execute_process(COMMAND "${OSTREL_JJ}" --version
        OUTPUT_VARIABLE _ostrel_jj_version OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    set(_ostrel_jj_notice ${CMAKE_BINARY_DIR}/jj-NOTICE)
    file(WRITE ${_ostrel_jj_notice}
        "The file jj beside this notice was chosen by whoever built this copy of Ostrel:\n"
        "${OSTREL_JJ} (it says: ${_ostrel_jj_version}).\n"
        "Jujutsu (jj) is licensed under the Apache License, Version 2.0 (the file jj-LICENSE beside it).\n")
else()
    execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-jj
        OUTPUT_VARIABLE _ostrel_jj_source OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE _ostrel_fetch_result)
    if(NOT _ostrel_fetch_result EQUAL 0)
        message(FATAL_ERROR "Could not fetch the pinned jj (see above); "
                            "or configure with -DOSTREL_JJ=<a jj executable>")
    endif()
    get_filename_component(_ostrel_jj_cache "${_ostrel_jj_source}" DIRECTORY)
    set(_ostrel_jj_notice ${_ostrel_jj_cache}/NOTICE)
endif()
message(STATUS "Bundling jj: ${_ostrel_jj_source}")

set(_ostrel_jj_licence /usr/share/common-licenses/Apache-2.0)
if(NOT EXISTS ${_ostrel_jj_licence})
    message(FATAL_ERROR "jj's licence text is missing: ${_ostrel_jj_licence} (Debian's base-files)")
endif()

set(_ostrel_jj_files
    ${OSTREL_RESOURCE_DIR}/jj ${OSTREL_RESOURCE_DIR}/jj-NOTICE ${OSTREL_RESOURCE_DIR}/jj-LICENSE
    ${OSTREL_RESOURCE_DIR}/jj-config.toml)
add_custom_command(
    OUTPUT ${_ostrel_jj_files}
    COMMAND ${CMAKE_COMMAND} -E copy "${_ostrel_jj_source}" ${OSTREL_RESOURCE_DIR}/jj
    COMMAND ${CMAKE_COMMAND} -E copy "${_ostrel_jj_notice}" ${OSTREL_RESOURCE_DIR}/jj-NOTICE
    COMMAND ${CMAKE_COMMAND} -E copy ${_ostrel_jj_licence} ${OSTREL_RESOURCE_DIR}/jj-LICENSE
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/jj-config.toml
            ${OSTREL_RESOURCE_DIR}/jj-config.toml
    DEPENDS "${_ostrel_jj_source}" "${_ostrel_jj_notice}" ${CMAKE_SOURCE_DIR}/resources/jj-config.toml
    VERBATIM)
add_custom_target(ostrel_bundled_jj ALL DEPENDS ${_ostrel_jj_files})
install(PROGRAMS ${OSTREL_RESOURCE_DIR}/jj DESTINATION ${CMAKE_INSTALL_DATADIR}/ostrel)
install(FILES ${OSTREL_RESOURCE_DIR}/jj-NOTICE ${OSTREL_RESOURCE_DIR}/jj-LICENSE
              ${OSTREL_RESOURCE_DIR}/jj-config.toml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/ostrel)
