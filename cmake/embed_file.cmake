# Writes the bytes of a file into a C++ source as an array, so that a
# program carries the file in itself.
#   cmake -DINPUT=<file> -DOUTPUT=<source> -DNAME=<array> -DNAMESPACE=<namespace> -P embed_file.cmake
# The array is NAME (unsigned char, ended by a zero byte that NAME_size does
# not count).
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
  "// Made from ${INPUT} by cmake/embed_file.cmake: do not edit.\n"
  "#include <cstddef>\n\nnamespace ${NAMESPACE} {\n\n"
  "extern const unsigned char ${NAME}[];\nextern const std::size_t ${NAME}_size;\n"
  "const unsigned char ${NAME}[] = {\n${bytes}0x00};\n"
  "const std::size_t ${NAME}_size = ${size};\n\n}\n")
configure_file("${OUTPUT}.new" "${OUTPUT}" COPYONLY)
file(REMOVE "${OUTPUT}.new")
