# Writes OXVBinaryData.h/.cpp: one constant byte array per PNG, named temp_binary_data_N, its exact
# length as temp_binary_data_NSize, and the role name of each image as an alias of the pair.
# Arguments: IMAGES ("N role file" entries joined with |), SOURCE_DIR, OUT_DIR.
string(REPLACE "|" ";" images "${IMAGES}")
# CMake's regular expressions have no {n} repeat, so a line of 16 bytes is spelled out.
string(REPEAT "'[\\]x..'," 16 sixteen_bytes)
set(header "// Generated from the PNG files in resources/ at build time; do not edit.\n#pragma once\n\nnamespace OXVBIN\n{\n")
set(source "// Generated from the PNG files in resources/ at build time; do not edit.\n#include \"OXVBinaryData.h\"\n\nnamespace OXVBIN\n{\n")
foreach(entry IN LISTS images)
    separate_arguments(parts UNIX_COMMAND "${entry}")
    list(GET parts 0 number)
    list(GET parts 1 role)
    list(GET parts 2 file)
    file(READ "${SOURCE_DIR}/${file}" hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR size "${hex_length} / 2")
    # A braced list of character literals holds exactly the file's bytes: a string literal would add
    # a terminating NUL after IEND. Character literals keep the arrays plain char without narrowing.
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
    string(REGEX REPLACE "(${sixteen_bytes})" "\\1\n        " bytes "${bytes}")
    string(APPEND header "    extern const char temp_binary_data_${number}[${size}];\n")
    string(APPEND header "    constexpr int temp_binary_data_${number}Size = ${size};\n")
    string(APPEND header "    inline const char* const ${role} = temp_binary_data_${number};\n")
    string(APPEND header "    constexpr int ${role}Size = ${size};\n\n")
    string(APPEND source "    extern const char temp_binary_data_${number}[${size}] = {\n        ${bytes}\n    };\n\n")
endforeach()
string(APPEND header "}\n")
string(APPEND source "}\n")
file(MAKE_DIRECTORY "${OUT_DIR}")
file(WRITE "${OUT_DIR}/OXVBinaryData.h.tmp" "${header}")
file(WRITE "${OUT_DIR}/OXVBinaryData.cpp.tmp" "${source}")
file(RENAME "${OUT_DIR}/OXVBinaryData.h.tmp" "${OUT_DIR}/OXVBinaryData.h")
file(RENAME "${OUT_DIR}/OXVBinaryData.cpp.tmp" "${OUT_DIR}/OXVBinaryData.cpp")
