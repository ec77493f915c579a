# Helpers shared by the folders' CMakeLists.

# pelmora_resources(<target> <script.rc> [folder...]): compiles a resource script into <target>.
# On Linux tools/rc turns it into a generated resource table that the layer's resource calls
# find; on Windows the toolchain's resource compiler links it into the module as the system
# expects, finding the files it names beside the script and in the folders given.
function(pelmora_resources target script)
  get_filename_component(script_abs "${script}" ABSOLUTE)
  get_filename_component(script_dir "${script_abs}" DIRECTORY)
  if(PELMORA_WINDOWS)
    target_sources(${target} PRIVATE "${script_abs}")
    # Icons and headers are found beside the script.
    set_source_files_properties("${script_abs}" TARGET_DIRECTORY ${target} PROPERTIES
      INCLUDE_DIRECTORIES "${script_dir};${ARGN}")
    return()
  endif()
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
# named <target>.pmp, linking the Windows API and nothing of the program. Only pmp.h is on its
# include path, and only what pmp.h and the system headers mark for export leaves the library
# (the entry points and DllMain), as with the system's linker.
function(pelmora_plugin target)
  add_library(${target} SHARED ${ARGN})
  target_link_libraries(${target} PRIVATE windows-api pelmora-plugin-sdk)
  # A library is a runtime file on Windows and a library file on Linux: both go to the folder.
  set_target_properties(${target} PROPERTIES
    PREFIX "" SUFFIX ".pmp"
    C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY "${PELMORA_PLUGIN_DIR}"
    RUNTIME_OUTPUT_DIRECTORY "${PELMORA_PLUGIN_DIR}")
endfunction()

# pelmora_check_listed_sources(): every .cpp file in a folder that the build adds, or in a folder
# below it, must be a source of some target. The folders list their sources by name, so a file
# (or a whole folder) that was added but named in no list would otherwise be left out without a
# word.
function(pelmora_check_listed_sources)
  set(folders "${PROJECT_SOURCE_DIR}")
  set(named)
  set(present)
  while(folders)
    list(POP_FRONT folders folder)
    get_property(subfolders DIRECTORY "${folder}" PROPERTY SUBDIRECTORIES)
    list(APPEND folders ${subfolders})
    get_property(targets DIRECTORY "${folder}" PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(sources ${target} SOURCES)
      if(NOT sources)
        continue()
      endif()
      get_target_property(target_folder ${target} SOURCE_DIR)
      foreach(source IN LISTS sources)
        if(source MATCHES "^\\$<")
          continue()
        endif()
        get_filename_component(source "${source}" ABSOLUTE BASE_DIR "${target_folder}")
        list(APPEND named "${source}")
      endforeach()
    endforeach()
    # The top folder holds the build folders; only the folders it adds are searched in depth.
    if(folder STREQUAL PROJECT_SOURCE_DIR)
      file(GLOB found "${folder}/*.cpp")
    else()
      file(GLOB_RECURSE found "${folder}/*.cpp")
    endif()
    list(APPEND present ${found})
  endwhile()
  list(REMOVE_DUPLICATES present)
  set(unlisted)
  foreach(file IN LISTS present)
    if(NOT file IN_LIST named)
      file(RELATIVE_PATH shown "${PROJECT_SOURCE_DIR}" "${file}")
      list(APPEND unlisted "${shown}")
    endif()
  endforeach()
  if(unlisted)
    list(SORT unlisted)
    list(JOIN unlisted "\n  " shown)
    message(FATAL_ERROR "These sources are in a folder of the build but in no list of sources:\n"
                        "  ${shown}\nAdd each to the CMakeLists.txt of its folder.")
  endif()
endfunction()
