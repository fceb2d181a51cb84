# Writes the bundled snippet repository (the code repository's document) from the snippet
# files, in file-name order. Each file starts with three lines
#   --- type: TEXT
#   --- from: TEXT
#   --- description: TEXT
# and the rest of the file is the script, inserted as it is written.
# cmake -DSNIPPETS=<folder> -DOUT=<file> -P MakeRepository.cmake
file(GLOB files "${SNIPPETS}/*.lua")
list(SORT files)

function(xml_escape text out)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    string(REPLACE "\"" "&quot;" text "${text}")
    string(REPLACE "\t" "&#9;" text "${text}")
    # A line break inside an attribute is a blank to a standard XML reader: write it as a
    # character reference, so every reader keeps the script's lines.
    string(REPLACE "\n" "&#10;" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(document "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<repository Version=\"1.0\">\n")
foreach(file IN LISTS files)
    file(READ "${file}" content)
    string(REGEX MATCH "^--- type: ([^\n]+)\n--- from: ([^\n]+)\n--- description: ([^\n]+)\n"
           head "${content}")
    if(NOT head)
        message(FATAL_ERROR "${file}: the first three lines must be --- type:, --- from:, "
                            "--- description:")
    endif()
    set(type "${CMAKE_MATCH_1}")
    set(from "${CMAKE_MATCH_2}")
    set(description "${CMAKE_MATCH_3}")
    string(LENGTH "${head}" headLength)
    string(SUBSTRING "${content}" ${headLength} -1 script)
    foreach(part type from description script)
        xml_escape("${${part}}" ${part})
    endforeach()
    string(APPEND document "\t<code type=\"${type}\" from=\"${from}\" description=\"${description}\"\n"
                           "\t      script=\"${script}\"/>\n")
endforeach()
string(APPEND document "</repository>\n")
file(WRITE "${OUT}.tmp" "${document}")
file(RENAME "${OUT}.tmp" "${OUT}")
