# Writes the format catalogue property lists as C++ text into the file OUT, so the
# program never looks for resource files at run time. The core's build runs it
# whenever a property list here changes:
#   cmake -DOUT=FILE.cpp -P resources/formats/EmbedCatalogue.cmake
get_filename_component(HERE "${CMAKE_CURRENT_LIST_FILE}" DIRECTORY)
if(NOT OUT)
  message(FATAL_ERROR "EmbedCatalogue.cmake: set OUT to the C++ file to write")
endif()
set(TEXT "// Generated from resources/formats/*.plist by resources/formats/EmbedCatalogue.cmake.\n")
string(APPEND TEXT "#include \"export/FormatCatalogueResources.h\"\n\nnamespace wavomer {\n")
foreach(NAME FormatInfo FormatData FormatMenus)
  file(READ "${HERE}/${NAME}.plist" BODY)
  string(FIND "${BODY}" ")plist\"" CLASH)
  if(NOT CLASH EQUAL -1)
    message(FATAL_ERROR "${NAME}.plist contains the raw-string terminator")
  endif()
  string(APPEND TEXT "\nconst char* builtIn${NAME}Text() {\n    return R\"plist(${BODY})plist\";\n}\n")
endforeach()
string(APPEND TEXT "\n}  // namespace wavomer\n")
file(WRITE "${OUT}" "${TEXT}")
