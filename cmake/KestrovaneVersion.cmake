# One version for everything: project(VERSION) in the top CMakeLists.txt is
# configured into KestrovaneVersion.h, which the command line's --version, the
# resource scripts' VERSIONINFO and (through PROJECT_VERSION) the packages use.
set(KESTROVANE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/KestrovaneVersion.h.in
    ${KESTROVANE_GENERATED_DIR}/KestrovaneVersion.h @ONLY)
add_library(kestrovane_version INTERFACE)
target_include_directories(kestrovane_version INTERFACE ${KESTROVANE_GENERATED_DIR})

set(KESTROVANE_VERSION_INFO_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/VersionInfo.rc.in)

# Gives a Windows program or DLL its version information (a VERSIONINFO
# resource with the project's version):
#   kestrovane_version_info(TARGET "What the file is")
function(kestrovane_version_info target description)
    if(NOT WIN32)
        return()
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
        set(KV_FILE_TYPE VFT_DLL)
        set(suffix .dll)
    else()
        set(KV_FILE_TYPE VFT_APP)
        set(suffix .exe)
    endif()
    get_target_property(output_name ${target} OUTPUT_NAME)
    if(NOT output_name)
        set(output_name ${target})
    endif()
    set(KV_INTERNAL_NAME ${output_name})
    set(KV_FILE_NAME ${output_name}${suffix})
    set(KV_DESCRIPTION "${description}")
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
    configure_file(${KESTROVANE_VERSION_INFO_TEMPLATE} ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    target_link_libraries(${target} PRIVATE kestrovane_version)
endfunction()
