# Links a version block into an executable: a constant array in the ELF section
# ".lexometer_version", built at compile time from the project version. The block is
# compiled into the target itself, because an unreferenced object in a static library
# would be left out by the linker.
function(embedVersionInto target)
    get_target_property(LEXO_ORIGINAL_FILENAME ${target} OUTPUT_NAME)
    if(NOT LEXO_ORIGINAL_FILENAME)
        set(LEXO_ORIGINAL_FILENAME ${target})
    endif()
    # A project version such as 4.0 leaves the later parts unset; they count as zero.
    foreach(part MAJOR MINOR PATCH TWEAK)
        if(NOT PROJECT_VERSION_${part})
            set(PROJECT_VERSION_${part} 0)
        endif()
    endforeach()
    set(block ${CMAKE_CURRENT_BINARY_DIR}/${target}_versionblock.cpp)
    configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/versionblock.cpp.in ${block} @ONLY)
    target_sources(${target} PRIVATE ${block})
endfunction()

