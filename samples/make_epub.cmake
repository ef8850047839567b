# Makes a small EPUB 3 book from a text file: "Key: value" lines (Title,
# Language, Identifier), a blank line, then chapters that each begin with a
# "# " heading line, one paragraph a line.
# cmake -DTEXT=<text> -DOUTPUT=<book.epub> -DWORK=<scratch folder> -DZIP=<zip> -P make_epub.cmake
cmake_minimum_required(VERSION 3.25)

function(xml_escape out text)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(READ "${TEXT}" content)
string(REPLACE ";" "@SEMICOLON@" content "${content}")
string(REPLACE "\n" ";" lines "${content}")
set(in_header TRUE)
set(chapters 0)
foreach(line IN LISTS lines)
    string(REPLACE "@SEMICOLON@" ";" line "${line}")
    if(in_header)
        if(line STREQUAL "")
            set(in_header FALSE)
        elseif(line MATCHES "^([A-Za-z]+): (.*)$")
            xml_escape(value "${CMAKE_MATCH_2}")
            set(meta_${CMAKE_MATCH_1} "${value}")
        endif()
        continue()
    endif()
    if(line STREQUAL "")
        continue()
    endif()
    xml_escape(line "${line}")
    if(line MATCHES "^# (.*)$")
        math(EXPR chapters "${chapters} + 1")
        set(heading_${chapters} "${CMAKE_MATCH_1}")
        set(body_${chapters} "")
    elseif(chapters GREATER 0)
        string(APPEND body_${chapters} "    <p>${line}</p>\n")
    endif()
endforeach()
foreach(key Title Language Identifier)
    if(NOT DEFINED meta_${key})
        message(FATAL_ERROR "${TEXT}: no ${key} line")
    endif()
endforeach()
if(chapters EQUAL 0)
    message(FATAL_ERROR "${TEXT}: no chapter")
endif()

file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/mimetype" "application/epub+zip")
file(WRITE "${WORK}/META-INF/container.xml" [=[<?xml version="1.0" encoding="UTF-8"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles>
    <rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/>
  </rootfiles>
</container>
]=])

set(manifest "")
set(spine "")
set(toc "")
foreach(i RANGE 1 ${chapters})
    string(APPEND manifest "    <item id=\"chapter${i}\" href=\"chapter${i}.xhtml\" media-type=\"application/xhtml+xml\"/>\n")
    string(APPEND spine "    <itemref idref=\"chapter${i}\"/>\n")
    string(APPEND toc "      <li><a href=\"chapter${i}.xhtml\">${heading_${i}}</a></li>\n")
    file(WRITE "${WORK}/OEBPS/chapter${i}.xhtml" "<?xml version=\"1.0\" encoding=\"UTF-8\"?>
<!DOCTYPE html>
<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"${meta_Language}\" lang=\"${meta_Language}\">
  <head>
    <title>${heading_${i}}</title>
  </head>
  <body>
    <h1>${heading_${i}}</h1>
${body_${i}}  </body>
</html>
")
endforeach()

file(WRITE "${WORK}/OEBPS/nav.xhtml" "<?xml version=\"1.0\" encoding=\"UTF-8\"?>
<!DOCTYPE html>
<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" xml:lang=\"${meta_Language}\" lang=\"${meta_Language}\">
  <head>
    <title>${meta_Title}</title>
  </head>
  <body>
    <nav epub:type=\"toc\" id=\"toc\">
      <h1>${meta_Title}</h1>
      <ol>
${toc}      </ol>
    </nav>
  </body>
</html>
")

file(WRITE "${WORK}/OEBPS/content.opf" "<?xml version=\"1.0\" encoding=\"UTF-8\"?>
<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"book-id\" xml:lang=\"${meta_Language}\">
  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">
    <dc:identifier id=\"book-id\">urn:uuid:${meta_Identifier}</dc:identifier>
    <dc:title>${meta_Title}</dc:title>
    <dc:language>${meta_Language}</dc:language>
    <dc:creator>Vellumtone</dc:creator>
    <meta property=\"dcterms:modified\">2021-08-31T00:00:00Z</meta>
  </metadata>
  <manifest>
    <item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>
${manifest}  </manifest>
  <spine>
${spine}  </spine>
</package>
")

# Readers want "mimetype" first and stored without compression.
get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_dir}")
file(REMOVE "${OUTPUT}")
execute_process(COMMAND "${ZIP}" -X -0 -q "${OUTPUT}" mimetype
    WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE stored)
execute_process(COMMAND "${ZIP}" -X -9 -q -r "${OUTPUT}" META-INF OEBPS
    WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE packed)
if(NOT stored EQUAL 0 OR NOT packed EQUAL 0)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "zip could not make ${OUTPUT}")
endif()
