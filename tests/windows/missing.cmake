# Stands in for a Windows test whose tools are missing under CI, where that
# is a failure:  cmake -DWHAT="what is missing" -P missing.cmake
message(FATAL_ERROR "${WHAT}")
