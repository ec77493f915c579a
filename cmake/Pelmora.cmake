# Helpers shared by the folders' CMakeLists.

# pelmora_resources(<target> <script.rc>): compiles a resource script with tools/rc and links the
# generated resource table into <target>, so that the layer's resource calls find it there.
function(pelmora_resources target script)
  if(NOT TARGET pelmora-rc)
    return()
  endif()
  get_filename_component(script_abs "${script}" ABSOLUTE)
  get_filename_component(script_name "${script}" NAME_WE)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_${script_name}_rc.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND pelmora-rc "${script_abs}" -o "${out}" -d "${out}.d"
    DEPENDS pelmora-rc "${script_abs}"
    DEPFILE "${out}.d"
    WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}"
    COMMENT "Compiling resources ${script}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
  # The generated table includes the layer's header of plain table structures, nothing else.
  # Every module exports a table under the same name, which AddressSanitizer would report as an
  # ODR violation once the program loads the resource library; the table is constant data and
  # needs no instrumentation.
  set_source_files_properties("${out}" TARGET_DIRECTORY ${target} PROPERTIES
    INCLUDE_DIRECTORIES "${PROJECT_SOURCE_DIR}/platform"
    COMPILE_OPTIONS "-fno-sanitize=address")
endfunction()

# pelmora_plugin(<target> sources...): a plug-in library in the program's plug-in folder,
# named <target>.pmp, linking the layer and nothing of the program. Only pmp.h is on its
# include path, and only what pmp.h and the system headers mark for export leaves the library
# (the entry points and DllMain), as with the system's linker.
function(pelmora_plugin target)
  add_library(${target} SHARED ${ARGN})
  target_link_libraries(${target} PRIVATE pelmora-platform pelmora-plugin-sdk)
  set_target_properties(${target} PROPERTIES
    PREFIX "" SUFFIX ".pmp"
    C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY "${PELMORA_PLUGIN_DIR}")
endfunction()
