# Turns a file into a C++ source that holds its bytes, so that the program
# needs no data file beside it: cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Made from ${INPUT} by EmbedFile.cmake.\n"
  "#include <string_view>\n"
  "namespace hvt {\n"
  "namespace {\n"
  "const char kBytes[] = {\n${bytes}0};\n"
  "}  // namespace\n"
  "extern const std::string_view ${NAME}(kBytes, ${size});\n"
  "}  // namespace hvt\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
