# Fails when a file under SOURCE_DIR includes a header of a layer above its own, so that
# every dependency points down. Run with cmake -DSOURCE_DIR=<src> -P CheckLayers.cmake.
#
# Layers, bottom first. A file belongs to the longest entry its path starts with; the
# shell's windows sit above the editor component they show, the shell's logic below it.
set(layers platform target asm sim orda link debugger shell editor shell/ui cli keysim app)

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(NOT IS_DIRECTORY "${SOURCE_DIR}")
    message(FATAL_ERROR "No source folder: '${SOURCE_DIR}'")
endif()

list(LENGTH layers count)
math(EXPR last "${count} - 1")

# The layer of a path relative to the source folder, or -1 outside every layer.
function(layer_of path out)
    set(best -1)
    set(bestLength 0)
    foreach(i RANGE ${last})
        list(GET layers ${i} entry)
        string(LENGTH "${entry}" length)
        string(FIND "${path}" "${entry}/" at)
        if(at EQUAL 0 AND length GREATER bestLength)
            set(best ${i})
            set(bestLength ${length})
        endif()
    endforeach()
    set(${out} ${best} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
set(upward "")
foreach(file IN LISTS files)
    layer_of("${file}" own)
    if(own LESS 0)
        continue()
    endif()
    file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" header "${line}")
        layer_of("${header}" used)
        if(used GREATER own)
            list(GET layers ${own} ownName)
            list(GET layers ${used} usedName)
            string(APPEND upward "  ${file} (${ownName}) includes ${header} (${usedName})\n")
        endif()
    endforeach()
endforeach()

if(upward)
    message(FATAL_ERROR "Includes that point up a layer:\n${upward}")
endif()
list(LENGTH files checked)
message(STATUS "${checked} files, every include points down or sideways")
